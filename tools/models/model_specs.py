"""Which part of each TF.js graph we convert, and the names our ONNX files use.

MoveNet MultiPose: we keep the network up to its six output heads and decode
people from the heads in C++ (centre peaks, regressed keypoints, heatmap
refinement, boxes), where the thresholds can be tuned. The heads come out in
NHWC layout, one row of channels per grid cell, stride 4 to the input.

MoveNet SinglePose Lightning (192x192) and Thunder (256x256): cut before the
graph's own decoding (ArgMax / GatherNd), like MultiPose. Input `float_pixels`
[1, S, S, 3], float32 RGB 0..255 (the graph scales it to [-1, 1] itself); the
size is fixed (the graph's resize was folded away at S). Four NHWC heads on a
G x G grid, G = S / 4 (48 or 64):
  center       [1, G, G, 1]   sigmoid score of the person's centre
  kpt_heatmap  [1, G, G, 17]  sigmoid score of each COCO keypoint
  kpt_regress  [1, G, G, 34]  per keypoint k: channel 2k = dy, 2k+1 = dx, in
                              cells, from the centre cell to the keypoint
  kpt_offset   [1, G, G, 34]  per keypoint k: channel 2k = y, 2k+1 = x, in
                              cells, sub-cell refinement at the keypoint's cell
The graph decodes one person as: centre cell = argmax of center / (distance in
cells from cell (G/2, G/2) + 1.8); keypoint k's guess = centre cell +
regress; keypoint cell = argmax of kpt_heatmap[k] / (distance in cells to the
guess + 1.8); position = (cell + offset) / G as (y, x) in 0..1; score =
kpt_heatmap[k] at that cell.

Hand landmark (MediaPipe): the whole graph; outputs renamed.

Palm detection (MediaPipe, `handdetect`): the whole graph. Input `image`
[1, 256, 256, 3], RGB scaled to [-1, 1] (pixel / 127.5 - 1). Output
`detections` [1, 2944, 19], one row per SSD anchor: column 0 = score logit
(sigmoid), columns 1..4 = box centre x, y offsets and width, height, columns
5..18 = 7 keypoints (x, y): wrist, index / middle / ring / pinky finger bases,
thumb base, thumb middle joint; all in input pixels (of 256), offsets from the
anchor centre. Anchors (all 1x1, centred on their cells), in row order:
stride 8: 32x32 cells x 2, stride 16: 16x16 x 2, stride 32: 8x8 x 6; within a
stride by cell row, cell column, then anchor.
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


def _movenet_single(source, size):
    return {
        "source": source,
        # The graph's input is int32 RGB, split off the batch and stacked again
        # (a folded resize); our file starts at the restacked float picture.
        "input": (_P + "stack", "float_pixels", [1, size, size, 3]),
        "outputs": [
            ("center", _P + "Sigmoid_1"),
            ("kpt_heatmap", _P + "Sigmoid"),
            ("kpt_regress", _P + "kpt_regress_0/conv2d_6/BiasAdd"),
            ("kpt_offset", _P + "kpt_offset_0/conv2d_7/BiasAdd"),
        ],
        "reference_input": [1, size, size, 3],
        "reference_scale": 255.0,
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
    "movenet-lightning": _movenet_single("movenet-lightning", 192),
    "movenet-thunder": _movenet_single("movenet-thunder", 256),
    "handlandmark-lite": _hand_landmark("handlandmark-lite"),
    "handlandmark-full": _hand_landmark("handlandmark-full"),
    "handdetect": {
        "source": "handdetect",
        "input": ("input", "image", [1, 256, 256, 3]),
        "outputs": [("detections", "Identity")],
        "reference_input": [1, 256, 256, 3],
        # Pixels in [-1, 1]: the reference picture's 0..1 mapped there.
        "reference_scale": 2.0,
        "reference_offset": -1.0,
    },
}
