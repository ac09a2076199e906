#!/usr/bin/python3
"""Evaluates a TF.js graph directly in NumPy, with TensorFlow's own semantics
(NHWC, TF's SAME padding, half-pixel bilinear resize), and writes a fixed input
with the outputs it gives. The C++ test runs our ONNX file through ONNX Runtime
on the same input and compares: the ONNX path (layout changes, weight
transposes, fused ops) is checked against code that shares none of it.

Files written into OUT_DIR:
  manifest.txt   one line per tensor: "name d0 d1 ..." (the input first)
  <name>.f32     the tensor's float32 values, little-endian, C order

usage: tfjs_reference.py MODEL_NAME SOURCE_DIR OUT_DIR
"""

import math
import os
import sys

import numpy as np

from model_specs import MODELS
from tfjs_graph import Graph, strip_port


def same_pads(size, k, s):
    out = math.ceil(size / s)
    total = max((out - 1) * s + k - size, 0)
    return total // 2, total - total // 2


def pad_input(x, kh, kw, sh, sw, padding, value=0.0):
    if padding == "VALID":
        return x
    top, bottom = same_pads(x.shape[1], kh, sh)
    left, right = same_pads(x.shape[2], kw, sw)
    return np.pad(x, ((0, 0), (top, bottom), (left, right), (0, 0)), constant_values=value)


def windows(x, kh, kw, sh, sw):
    """Yields (i, j, strided view) for each kernel offset."""
    oh = (x.shape[1] - kh) // sh + 1
    ow = (x.shape[2] - kw) // sw + 1
    for i in range(kh):
        for j in range(kw):
            yield i, j, x[:, i : i + sh * (oh - 1) + 1 : sh, j : j + sw * (ow - 1) + 1 : sw, :]


def conv2d(x, w, strides, padding):
    kh, kw, _, cout = w.shape
    xp = pad_input(x, kh, kw, strides[1], strides[2], padding)
    out = None
    for i, j, view in windows(xp, kh, kw, strides[1], strides[2]):
        part = np.tensordot(view.astype(np.float64), w[i, j].astype(np.float64), axes=([3], [0]))
        out = part if out is None else out + part
    return out.astype(np.float32)


def depthwise(x, w, strides, padding):
    kh, kw, cin, mult = w.shape
    if mult != 1:
        raise ValueError("depthwise multiplier %d" % mult)
    xp = pad_input(x, kh, kw, strides[1], strides[2], padding)
    out = None
    for i, j, view in windows(xp, kh, kw, strides[1], strides[2]):
        part = view.astype(np.float64) * w[i, j, :, 0].astype(np.float64)
        out = part if out is None else out + part
    return out.astype(np.float32)


def conv2d_transpose(x, w, out_shape, strides, padding):
    """The gradient of a convolution with w (kh, kw, out_c, in_c) giving x."""
    kh, kw, out_c, _ = w.shape
    sh, sw = strides[1], strides[2]
    n, h, wd, _ = x.shape
    full = np.zeros((n, (h - 1) * sh + kh, (wd - 1) * sw + kw, out_c))
    for i in range(kh):
        for j in range(kw):
            part = np.tensordot(x.astype(np.float64), w[i, j].astype(np.float64), axes=([3], [1]))
            full[:, i : i + sh * (h - 1) + 1 : sh, j : j + sw * (wd - 1) + 1 : sw, :] += part
    top = left = 0
    if padding == "SAME":
        top = same_pads(out_shape[1], kh, sh)[0]
        left = same_pads(out_shape[2], kw, sw)[0]
    elif padding != "VALID":
        raise ValueError("padding %s" % padding)
    return full[:, top : top + out_shape[1], left : left + out_shape[2], :].astype(np.float32)


def max_pool(x, k, s, padding):
    xp = pad_input(x, k[1], k[2], s[1], s[2], padding, value=-np.inf)
    out = None
    for _, _, view in windows(xp, k[1], k[2], s[1], s[2]):
        out = view.copy() if out is None else np.maximum(out, view)
    return out


def resize_bilinear_half_pixel(x, out_h, out_w):
    """tf.image.resize(..., 'bilinear') with half_pixel_centers=True."""

    def axis(in_size, out_size):
        scale = in_size / out_size
        pos = (np.arange(out_size) + 0.5) * scale - 0.5
        lower = np.floor(pos)
        frac = (pos - lower).astype(np.float32)
        lo = np.clip(lower, 0, in_size - 1).astype(int)
        hi = np.clip(lower + 1, 0, in_size - 1).astype(int)
        return lo, hi, frac

    y0, y1, fy = axis(x.shape[1], out_h)
    x0, x1, fx = axis(x.shape[2], out_w)
    top = x[:, y0][:, :, x0] * (1 - fx)[None, None, :, None] + x[:, y0][:, :, x1] * fx[None, None, :, None]
    bot = x[:, y1][:, :, x0] * (1 - fx)[None, None, :, None] + x[:, y1][:, :, x1] * fx[None, None, :, None]
    return top * (1 - fy)[None, :, None, None] + bot * fy[None, :, None, None]


def sigmoid(x):
    with np.errstate(over="ignore"):  # exp overflows to inf for very negative x: sigmoid 0
        return 1.0 / (1.0 + np.exp(-x))


def strided_slice_1d(value, node, graph):
    begin = graph.const(node.inputs[1])
    end = graph.const(node.inputs[2])
    step = graph.const(node.inputs[3])
    if any(node.attr_int(m) for m in ("begin_mask", "end_mask", "ellipsis_mask", "new_axis_mask")):
        raise ValueError("%s: masks not supported here" % node.name)
    out = value[int(begin[0]) : int(end[0]) : int(step[0])]
    return out[0] if node.attr_int("shrink_axis_mask") else out


def evaluate(graph, feeds, outputs, input_node):
    values = dict(feeds)

    def get(name):
        name = name if ":" in name else name + ":0"
        if name in values:
            return values[name]
        c = graph.const(name)
        if c is None:
            raise KeyError(name)
        return c

    for name in graph.needed_for(outputs, stop_at={input_node}):
        node = graph.nodes[name]
        if name == input_node:
            continue
        ins = [get(i) for i in node.inputs]
        op = node.op
        if op in ("Identity", "Cast"):
            out = ins[0].astype(np.float32) if op == "Cast" else ins[0]
        elif op in ("Add", "AddV2"):
            out = ins[0] + ins[1]
        elif op == "Sub":
            out = ins[0] - ins[1]
        elif op == "Mul":
            out = ins[0] * ins[1]
        elif op == "RealDiv":
            out = ins[0] / ins[1]
        elif op == "AddN":
            out = sum(ins[1:], ins[0])
        elif op == "Relu":
            out = np.maximum(ins[0], 0)
        elif op == "Relu6":
            out = np.clip(ins[0], 0, 6)
        elif op == "Sigmoid":
            out = sigmoid(ins[0])
        elif op in ("Conv2D", "_FusedConv2D", "DepthwiseConv2dNative", "FusedDepthwiseConv2dNative"):
            padding = node.attr_str("padding")
            strides = node.attr_list("strides")
            if "Depthwise" in op:
                out = depthwise(ins[0], ins[1], strides, padding)
            else:
                out = conv2d(ins[0], ins[1], strides, padding)
            if op.startswith(("_Fused", "Fused")):
                fused = node.attr_strs("fused_ops")
                out = out + ins[2]
                for act in fused[1:]:
                    out = np.maximum(out, 0) if act == "Relu" else np.clip(out, 0, 6)
        elif op == "Conv2DBackpropInput":
            out = conv2d_transpose(ins[2], ins[1], [int(d) for d in ins[0]], node.attr_list("strides"), node.attr_str("padding"))
        elif op == "Pad":
            out = np.pad(ins[0], [(int(a), int(b)) for a, b in ins[1]])
        elif op == "Reshape":
            out = ins[0].reshape([int(d) for d in ins[1]])
        elif op == "ConcatV2":
            out = np.concatenate(ins[:-1], axis=int(ins[-1]))
        elif op == "MaxPool":
            out = max_pool(ins[0], node.attr_list("ksize"), node.attr_list("strides"), node.attr_str("padding"))
        elif op == "Mean":
            axes = tuple(int(a) for a in np.atleast_1d(ins[1]))
            out = ins[0].mean(axis=axes, keepdims=node.attr_bool("keep_dims"))
        elif op == "_FusedMatMul":
            out = ins[0] @ ins[1] + ins[2]
        elif op == "Shape":
            out = np.array(ins[0].shape, np.int32)
        elif op == "StridedSlice":
            out = strided_slice_1d(ins[0], node, graph)
        elif op == "ResizeBilinear":
            out = resize_bilinear_half_pixel(ins[0], int(ins[1][0]), int(ins[1][1]))
        else:
            raise ValueError("%s: %s not implemented in the reference" % (name, op))
        values[name + ":0"] = out.astype(np.float32) if out.dtype == np.float64 else out
    return [get(o) for o in outputs]


def reference_input(shape, scale, offset=0.0):
    """A smooth picture with edges and fine noise: exercises padding and every channel."""
    n, h, w, c = shape
    yy, xx = np.meshgrid(np.linspace(0, 1, h), np.linspace(0, 1, w), indexing="ij")
    rng = np.random.default_rng(20240601)
    channels = [
        0.5 + 0.5 * np.sin(6.0 * xx + 2.0 * yy),
        (xx > 0.3) * (yy < 0.6) * 0.8 + 0.1,
        0.5 + 0.4 * np.cos(9.0 * yy * xx),
    ]
    img = np.stack(channels[:c], axis=-1) + rng.normal(0, 0.05, (h, w, c))
    img = np.clip(img, 0, 1) * scale + offset
    return img.reshape(n, h, w, c).astype(np.float32)


def main(model_name, source_dir, out_dir):
    entry = MODELS[model_name]
    graph = Graph(os.path.join(source_dir, entry["source"] + ".json"))
    x = reference_input(entry["reference_input"], entry["reference_scale"], entry.get("reference_offset", 0.0))
    tf_input, onnx_input, _ = entry["input"]
    outputs = evaluate(graph, {tf_input + ":0": x}, [o[1] for o in entry["outputs"]], tf_input)
    os.makedirs(out_dir, exist_ok=True)
    lines = []
    for name, value in [(onnx_input, x)] + [(o[0], v) for o, v in zip(entry["outputs"], outputs)]:
        value = np.ascontiguousarray(value, dtype="<f4")
        value.tofile(os.path.join(out_dir, name + ".f32"))
        lines.append(" ".join([name] + [str(d) for d in value.shape]))
    with open(os.path.join(out_dir, "manifest.txt"), "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2], sys.argv[3])
