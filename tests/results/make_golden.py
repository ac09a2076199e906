#!/usr/bin/env python3
"""Writes the golden result files of tests/results from the file format rules.

Independent of the C++ writer on purpose: run it by hand only when the fixture
records in results_fixture.h or the run of crash_test.cpp change, and review
the diff.
"""
import os

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "golden")

TRIAL_HEADER = ("Subject,Date,Time,Trial,Cond_J,Cond_M,BodyID,TgtHand,Tgt_X,Tgt_Y,Hand_L,"
                "Hand_LX,Hand_LY,Hand_R,Hand_RX,Hand_RY,Resp,RT,TotalRT\r\n")
BODY_COLUMNS = ["Count", "Clock", "Trial", "TgtHand", "Target_x", "Target_y", "ID",
                "Spine_base_x", "Spine_base_y", "Spine_mid_x", "Spine_mid_y",
                "Spine_shoulder_x", "Spine_shoulder_y", "Head_x", "Head_y", "Hand_l",
                "Hand_lx", "Hand_ly", "Hand_r", "Hand_rx", "Hand_ry", "Elbow_lx", "Elbow_ly",
                "Elbow_rx", "Elbow_ry", "Shoulder_lx", "Shoulder_ly", "Shoulder_rx",
                "Shoulder_ry", "Hip_lx", "Hip_ly", "Hip_rx", "Hip_ry", "Knee_lx", "Knee_ly",
                "Knee_rx", "Knee_ry", "Foot_lx", "Foot_ly", "Foot_rx", "Foot_ry"]
BODY_HEADER = ",".join(BODY_COLUMNS) + "\r\n"

DATE, TIME = "2016/03/05", "09:07:02"

# Same values as kFixtureTrials in results_fixture.h:
# trial, cond_j, cond_m, bodyid, tgthand, tgt_x, tgt_y, hand_l, hand_lx, hand_ly,
# hand_r, hand_rx, hand_ry, resp, rt, totalrt
TRIALS = [
    (0, 1, 0, 72057594, 2, 100, 200, 1, 300, 310, 3, 320, 330, "Hand_R", 4567, 0),
    (1, 1, 1, -2147483647, 3, 64, 476, 0, -1, -1, 2, 70, 480, "Hand_R", 1203, 1203),
    (2, 0, 1, -2147483648, 0, 895, 64, 2, 890, 60, 0, 5, 7, "Foot_L", -3, 2250),
]


def sample(count, clock, trial, tgthand, tx, ty, body_id, joint_base):
    joints = [joint_base + k for k in range(34)]
    return [count, clock, trial, tgthand, tx, ty, body_id] + joints


# Same values as FixtureSamples() in results_fixture.h.
SAMPLES = [
    sample(1, 33, 0, 2, 100, 200, 11, 0),
    sample(2, 33, 0, 2, 100, 200, -12, 100),
    [3, 66, 1, 3, 64, 476, 11] + [-1] * 34,
    sample(4, 99, 1, 3, 64, 476, 2147483647, -2147483648),
]


def trial_row(subject, t):
    nums = [str(v) for v in t[:13]]
    return ",".join([subject, DATE, TIME] + nums + [t[13], str(t[14]), str(t[15])]) + "\r\n"


def body_row(s):
    return ",".join(str(v) for v in s) + "\r\n"


def write(name, text):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(text.encode("utf-8"))


trial_rows = "".join(trial_row("SBJ0000", t) for t in TRIALS)
body_rows = "".join(body_row(s) for s in SAMPLES)
write("trial_fresh.csv", TRIAL_HEADER + trial_rows)
write("body_fresh.csv", BODY_HEADER + body_rows)
# An earlier run of the same subject in the same second: rows follow, no second header.
write("trial_appended.csv", TRIAL_HEADER + trial_rows + trial_rows)
write("body_appended.csv", BODY_HEADER + body_rows + body_rows)
write("trial_header_only.csv", TRIAL_HEADER)
write("body_header_only.csv", BODY_HEADER)
write("trial_empty_subject.csv", TRIAL_HEADER + "".join(trial_row("", t) for t in TRIALS))
write("trial_japanese_subject.csv",
      TRIAL_HEADER + "".join(trial_row("被験者,01", t) for t in TRIALS))

# The run of crash_test.cpp (TrialAt and SampleAt there): at most CRASH_PASSES
# passes of two bodies, 33 ms apart, a pop every 20 passes. The test compares
# what recovery wrote with the first rows of these files.
CRASH_PASSES, CRASH_BODIES, CRASH_PASSES_PER_TRIAL, CRASH_FRAME_MS = 360, 2, 20, 33


def crash_sample(i):
    return sample(i + 1, i // CRASH_BODIES * CRASH_FRAME_MS,
                  i // (CRASH_BODIES * CRASH_PASSES_PER_TRIAL), 2, 480, 270,
                  100 + i % CRASH_BODIES, i % 100)


def crash_trial(i):
    return (i, 1, i % 2, 101, 2, 480, 270, 1, 400 + i, 300, 3, 500, 310 - i,
            "Hand_R" if i % 3 else "Head", 700 + i, 1000 * i)


write("crash_trial.csv", TRIAL_HEADER + "".join(
    trial_row("SBJ0000", crash_trial(i)) for i in range(CRASH_PASSES // CRASH_PASSES_PER_TRIAL)))
write("crash_body.csv", BODY_HEADER + "".join(
    body_row(crash_sample(i)) for i in range(CRASH_PASSES * CRASH_BODIES)))
