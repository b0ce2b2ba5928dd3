"""The Python module over the same core as the window and the command line."""
import json
import os
import pathlib
import subprocess
import sys

import pytest

import velmora

DATA = pathlib.Path(os.environ["VELMORA_TEST_DATA_DIR"])
EXAMPLES = pathlib.Path(os.environ["VELMORA_EXAMPLES_DIR"])
SETTINGS = str(DATA / "golden_def.ini")
EXECUTABLE = os.environ.get("VELMORA_EXECUTABLE")


@pytest.fixture(name="plain")
def plain_settings(tmp_path):
    """A def.ini of the pen type at the origin, whatever the user's own settings are."""
    path = tmp_path / "def.ini"
    path.write_bytes(b"AXIS_TYPE:[3]\r\n")
    return str(path)


@pytest.fixture
def arm(plain):
    return velmora.Arm(plain)


def square(arm):
    motion = velmora.Motion(arm)
    corners = [(60, -15), (90, -15), (90, 15), (60, 15)]
    for k, (x, y) in enumerate(corners):
        pose = arm.inverse(x, y, -30)
        pose.interpolation = 0 if k == 0 else 1
        pose.transition_time = 800
        motion.append(pose)
    return motion


@pytest.mark.skipif(EXECUTABLE is None, reason="needs the velmora executable")
def test_check_reports_what_the_command_line_reports():
    motion = velmora.Motion.load(str(DATA / "golden_motion.KMO"), velmora.Arm(SETTINGS))
    report = velmora.check(motion)
    cli = subprocess.run([EXECUTABLE, "check", "--json", "--settings", SETTINGS,
                          str(DATA / "golden_motion.KMO")], capture_output=True, check=False)
    assert cli.returncode == 1
    expected = json.loads(cli.stdout)[0]
    expected["file"] = ""
    assert report == expected
    assert report["flagged"] == 2


def test_edits_follow_the_pose_pane_and_survive_a_file(arm, tmp_path):
    motion = square(arm)
    assert velmora.check(motion)["flagged"] == 0
    motion.set(1, "x", 70.0)
    pose = motion[1]
    # The motors moved with the coordinate: the forward kinematics give the point back.
    back = arm.forward(pose.motors)
    assert back.x == pytest.approx(70.0, abs=0.2) and back.y == pytest.approx(-15.0, abs=0.2)
    motion.set(1, "id1", 99999)  # held to the motor limit, the coordinates follow
    assert motion[1].motors[0] < 99999
    assert motion[1].x == pytest.approx(arm.forward(motion[1].motors).x)
    motion.insert(0, arm.inverse(80, 0, 0))
    motion.delete(-1)
    assert len(motion) == 4
    with pytest.raises(IndexError):
        motion.delete(10)
    with pytest.raises(ValueError):
        arm.inverse(1000, 0)
    path = tmp_path / "m.KMO"
    motion.save(str(path))
    again = velmora.Motion.load(str(path), arm)
    assert [p.motors for p in again.poses] == [p.motors for p in motion.poses]
    with pytest.raises(ValueError, match="missing.KMO"):
        velmora.Motion.load(str(tmp_path / "missing.KMO"), arm)
    points = velmora.plan(motion)
    assert points[-1][1] == 3 and points[-1][0] > 2400


def test_a_square_plays_on_the_virtual_robot_along_its_plan(plain):
    with velmora.connect("VIRTUAL", plain) as robot:
        robot.motors_on()
        deviation = robot.play(square(robot.arm))
        assert deviation is not None and deviation < 1.0
        assert robot.present().x == pytest.approx(60, abs=1.0)


def test_the_with_block_lets_the_robot_go_on_an_exception(plain):
    with pytest.raises(RuntimeError, match="boom"):
        with velmora.connect("VIRTUAL", plain) as robot:
            robot.motors_on()
            raise RuntimeError("boom")
    with pytest.raises(RuntimeError, match="disconnected"):
        robot.present()


def test_the_examples_run(plain):
    env = dict(os.environ)
    for script, args in (("check_folder.py", [str(DATA)]), ("draw_square.py", [plain]),
                         ("sweep_servo.py", [plain])):
        result = subprocess.run([sys.executable, str(EXAMPLES / script), *args], env=env,
                                capture_output=True, text=True, check=False)
        assert result.stdout, script + result.stderr
        assert "Traceback" not in result.stderr, result.stderr
