"""Which part of each TF.js graph we convert, and the names our ONNX files use.

MoveNet MultiPose: we keep the network up to its six output heads and decode
people from the heads in C++ (centre peaks, regressed keypoints, heatmap
refinement, boxes), where the thresholds can be tuned. The heads come out in
NHWC layout, one row of channels per grid cell, stride 4 to the input.

Hand landmark (MediaPipe): the whole graph; outputs renamed.
"""

_P = "StatefulPartitionedCall/"


def _hand_landmark(source):
    return {
        "source": source,
        "input": ("input_1", "image", [1, 224, 224, 3]),
        "outputs": [
            ("landmarks", "Identity"),
            ("presence", "Identity_1"),
            ("handedness", "Identity_2"),
            ("world_landmarks", "Identity_3"),
        ],
        "reference_input": [1, 224, 224, 3],
        "reference_scale": 1.0,
    }


MODELS = {
    "movenet-multipose": {
        "source": "movenet-multipose",
        # The graph's input is int32 RGB 0..255; our file takes float32 RGB 0..255.
        "input": ("input", "float_pixels", [1, None, None, 3]),
        "outputs": [
            ("center", _P + "Sigmoid"),
            ("kpt_heatmap", _P + "Sigmoid_1"),
            ("kpt_regress", _P + "kpt_regress_0/conv2d_8/BiasAdd"),
            ("kpt_offset", _P + "kpt_offset_0/conv2d_9/BiasAdd"),
            ("box_scale", _P + "box_scale_0/conv2d_5/BiasAdd"),
            ("box_offset", _P + "box_offset_0/conv2d_6/BiasAdd"),
        ],
        # A 16:9-friendly size (both multiples of 32) for the reference check;
        # height and width differ so that a swapped axis cannot go unnoticed.
        "reference_input": [1, 192, 256, 3],
        "reference_scale": 255.0,
    },
    "handlandmark-lite": _hand_landmark("handlandmark-lite"),
    "handlandmark-full": _hand_landmark("handlandmark-full"),
}
