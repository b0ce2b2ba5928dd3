#!/usr/bin/env python3
"""Sweeps servo ID1 from side to side on the virtual robot, printing its position and current."""
import sys

import velmora

settings = sys.argv[1] if len(sys.argv) > 1 else None
with velmora.connect("VIRTUAL", settings) as robot:
    robot.motors_on()
    pose = robot.present()
    for target in (-400, 400, 0):
        motors = pose.motors
        motors[0] = target
        pose = robot.arm.forward(motors)
        robot.goto(pose, 800)
        now = robot.present()
        print(f"ID1 at {now.motors[0]:5d}, current {robot.current(1)} mA")
