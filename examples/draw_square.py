#!/usr/bin/env python3
"""Draws a 30 mm square, made in code, on the virtual robot and compares measured and planned."""
import sys

import velmora

settings = sys.argv[1] if len(sys.argv) > 1 else None
arm = velmora.Arm(settings)
motion = velmora.Motion(arm)
pen_down, pen_up = -30.0, 0.0  # mm; the pen draws below VPEN_TH
corners = [(60, -15), (90, -15), (90, 15), (60, 15), (60, -15)]

start = arm.inverse(corners[0][0], corners[0][1], pen_up)
start.transition_time = 1000
motion.append(start)
down = arm.inverse(corners[0][0], corners[0][1], pen_down)
down.transition_time = 300
motion.append(down)
for x, y in corners[1:]:
    side = arm.inverse(x, y, pen_down)
    side.interpolation = 1  # Linear: a straight line
    side.transition_time = 1500
    motion.append(side)
up = arm.inverse(corners[-1][0], corners[-1][1], pen_up)
up.transition_time = 300
motion.append(up)

print(velmora.check(motion)["lines"][0])
with velmora.connect("VIRTUAL", settings) as robot:
    robot.motors_on()
    deviation = robot.play(motion)
print(f"largest distance between measured and planned: {deviation:.2f} mm")
