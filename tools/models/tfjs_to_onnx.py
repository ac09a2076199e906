#!/usr/bin/python3
"""Converts the TF.js graph models we use into ONNX files for ONNX Runtime.

Only the operations these graphs contain are supported; anything else stops
the conversion with the node's name, so a changed model cannot be converted
silently wrong. Inside the ONNX graph 4-D activations are NCHW (what ONNX
convolutions want); the model's input and outputs stay NHWC like the original.

usage: tfjs_to_onnx.py MODEL_NAME SOURCE_DIR OUT.onnx
"""

import sys

import numpy as np
import onnx
from onnx import TensorProto, helper, numpy_helper

from model_specs import MODELS
from tfjs_graph import Graph, strip_port

OPSET = 13


class Converter:
    def __init__(self, graph):
        self.graph = graph
        self.nodes = []
        self.initializers = []
        self.names = {}  # TF tensor name -> ONNX tensor name
        self.rank4 = set()  # ONNX names of NCHW activations
        self.counter = 0

    def fresh(self, hint):
        self.counter += 1
        return "%s__%d" % (hint.replace("/", "_"), self.counter)

    def add_const(self, value, hint):
        name = self.fresh(hint)
        self.initializers.append(numpy_helper.from_array(np.ascontiguousarray(value), name))
        return name

    def emit(self, op, inputs, hint, **attrs):
        out = self.fresh(hint)
        self.nodes.append(helper.make_node(op, inputs, [out], name=out, **attrs))
        return out

    def tensor(self, tf_name):
        key = tf_name if ":" in tf_name else tf_name + ":0"
        if key in self.names:
            return self.names[key]
        raise KeyError("no value for %s" % tf_name)

    def operand(self, tf_name, other_is_rank4):
        """An elementwise operand; constants are laid out to broadcast against NCHW."""
        value = self.graph.const(tf_name)
        if value is None:
            return self.tensor(tf_name)
        value = value.astype(np.float32)
        if other_is_rank4 and value.ndim >= 1 and value.shape[-1] > 1:
            value = value.reshape(-1)[:, None, None][None]  # [C] or [1,1,1,C] -> [1,C,1,1]
        return self.add_const(value, tf_name)

    # ------------------------------------------------------------------ ops

    def convert(self, node):
        g = self.graph
        op = node.op
        ins = node.inputs
        out_name = node.name + ":0"

        def result(name, rank4):
            self.names[out_name] = name
            if rank4:
                self.rank4.add(name)

        if op == "Identity":
            src = self.tensor(ins[0])
            result(src, src in self.rank4)
        elif op == "Cast":
            # Only the input cast int32 -> float of MoveNet; our input is float already.
            src = self.tensor(ins[0])
            result(src, src in self.rank4)
        elif op in ("Add", "AddV2", "Sub", "Mul", "RealDiv"):
            onnx_op = {"Add": "Add", "AddV2": "Add", "Sub": "Sub", "Mul": "Mul", "RealDiv": "Div"}[op]
            a_const = g.const(ins[0]) is not None
            b_const = g.const(ins[1]) is not None
            if a_const and b_const:
                raise ValueError("%s: constant expression not folded" % node.name)
            rank4 = (not a_const and self.tensor(ins[0]) in self.rank4) or (
                not b_const and self.tensor(ins[1]) in self.rank4
            )
            a = self.operand(ins[0], rank4)
            b = self.operand(ins[1], rank4)
            result(self.emit(onnx_op, [a, b], node.name), rank4)
        elif op == "AddN":
            srcs = [self.tensor(i) for i in ins]
            result(self.emit("Sum", srcs, node.name), srcs[0] in self.rank4)
        elif op in ("Relu", "Relu6", "Sigmoid"):
            src = self.tensor(ins[0])
            result(self.activation(op, src, node.name), src in self.rank4)
        elif op in ("Conv2D", "_FusedConv2D", "DepthwiseConv2dNative", "FusedDepthwiseConv2dNative"):
            result(self.conv(node), True)
        elif op == "Conv2DBackpropInput":
            result(self.conv_transpose(node), True)
        elif op == "Pad":
            src = self.tensor(ins[0])
            pads = g.const(ins[1]).astype(np.int64)  # [[before, after]] per NHWC axis
            if src in self.rank4:
                pads = pads[[0, 3, 1, 2]]
            pads = self.add_const(np.concatenate([pads[:, 0], pads[:, 1]]), ins[1])
            result(self.emit("Pad", [src, pads], node.name, mode="constant"), src in self.rank4)
        elif op == "Reshape":
            src = self.tensor(ins[0])
            if src in self.rank4:  # TF reshapes NHWC data
                src = self.emit("Transpose", [src], node.name, perm=[0, 2, 3, 1])
            shape = self.add_const(g.const(ins[1]).astype(np.int64), ins[1])
            result(self.emit("Reshape", [src, shape], node.name), False)
        elif op == "ConcatV2":
            srcs = [self.tensor(i) for i in ins[:-1]]
            axis = int(g.const(ins[-1]))
            rank4 = [s in self.rank4 for s in srcs]
            if any(rank4) and not all(rank4):
                raise ValueError("%s: concatenation of mixed layouts" % node.name)
            if all(rank4):
                axis = [0, 2, 3, 1][axis % 4]
            result(self.emit("Concat", srcs, node.name, axis=axis), all(rank4))
        elif op == "MaxPool":
            k = node.attr_list("ksize")
            s = node.attr_list("strides")
            out = self.emit(
                "MaxPool",
                [self.tensor(ins[0])],
                node.name,
                kernel_shape=k[1:3],
                strides=s[1:3],
                auto_pad=self.pad_mode(node),
            )
            result(out, True)
        elif op == "Mean":
            axes = sorted(int(a) for a in np.atleast_1d(g.const(ins[1])))
            if axes != [1, 2] or node.attr_bool("keep_dims"):
                raise ValueError("%s: only a global spatial mean is supported" % node.name)
            pooled = self.emit("GlobalAveragePool", [self.tensor(ins[0])], node.name)
            result(self.emit("Flatten", [pooled], node.name, axis=1), False)
        elif op == "_FusedMatMul":
            if node.attr_bool("transpose_a") or node.attr_bool("transpose_b"):
                raise ValueError("%s: transposed MatMul not supported" % node.name)
            if node.attr_strs("fused_ops") != ["BiasAdd"]:
                raise ValueError("%s: fused ops %s" % (node.name, node.attr_strs("fused_ops")))
            w = self.add_const(g.const(ins[1]).astype(np.float32), ins[1])
            b = self.add_const(g.const(ins[2]).astype(np.float32), ins[2])
            result(self.emit("Gemm", [self.tensor(ins[0]), w, b], node.name), False)
        elif op == "ResizeBilinear":
            if node.attr_bool("align_corners") or not node.attr_bool("half_pixel_centers"):
                raise ValueError("%s: only half-pixel-centre resizing is supported" % node.name)
            src = self.tensor(ins[0])
            roi = self.add_const(np.zeros(0, np.float32), "roi")
            size = self.graph.const(ins[1])
            if size is not None:
                # A fixed output size (graphs of a fixed input size): batch and
                # channels from the input, height and width from the graph.
                batch_channels = self.emit(
                    "Slice",
                    [
                        self.emit("Shape", [src], node.name),
                        self.add_const(np.array([0], np.int64), "start"),
                        self.add_const(np.array([2], np.int64), "end"),
                    ],
                    node.name,
                )
                hw = self.add_const(size.astype(np.int64), ins[1])
                sizes = self.emit("Concat", [batch_channels, hw], node.name, axis=0)
                resize_inputs = [src, roi, "", sizes]
            else:
                scales = self.resize_scales(ins[1])
                sc = self.add_const(np.array([1, 1, scales[0], scales[1]], np.float32), "scales")
                resize_inputs = [src, roi, sc]
            out = self.emit(
                "Resize",
                resize_inputs,
                node.name,
                mode="linear",
                coordinate_transformation_mode="half_pixel",
            )
            result(out, True)
        else:
            raise ValueError("%s: operation %s is not supported" % (node.name, op))

    def resize_scales(self, size_input):
        """A computed ResizeBilinear size is `Shape(x)[1:3] * [a, b]`: integer scales a, b."""
        size_node = self.graph.nodes[strip_port(size_input)]
        if size_node.op == "Mul":
            factor = self.graph.const(size_node.inputs[1])
            source = self.graph.nodes[strip_port(size_node.inputs[0])]
            if factor is not None and source.op == "StridedSlice":
                return [float(f) for f in factor]
        raise ValueError("%s: resize size is not a multiple of the input's size" % size_node.name)

    def pad_mode(self, node):
        padding = node.attr_str("padding")
        if padding == "SAME":
            return "SAME_UPPER"  # TF pads the extra row/column at the end, as SAME_UPPER does
        if padding == "VALID":
            return "VALID"
        raise ValueError("%s: padding %s not supported" % (node.name, padding))

    def activation(self, op, src, hint):
        if op == "Relu":
            return self.emit("Relu", [src], hint)
        if op == "Sigmoid":
            return self.emit("Sigmoid", [src], hint)
        lo = self.add_const(np.array(0, np.float32), "zero")
        hi = self.add_const(np.array(6, np.float32), "six")
        return self.emit("Clip", [src, lo, hi], hint)

    def conv(self, node):
        g = self.graph
        ins = node.inputs
        w = g.const(ins[1]).astype(np.float32)
        depthwise = "Depthwise" in node.op
        if depthwise:
            kh, kw, cin, mult = w.shape
            weight = w.transpose(2, 3, 0, 1).reshape(cin * mult, 1, kh, kw)
            group = cin
        else:
            weight = w.transpose(3, 2, 0, 1)
            group = 1
        dil = node.attr_list("dilations")
        if dil and dil != [1, 1, 1, 1]:
            raise ValueError("%s: dilation not supported" % node.name)
        inputs = [self.tensor(ins[0]), self.add_const(weight, ins[1])]
        fused = node.attr_strs("fused_ops") if node.op.startswith(("_Fused", "Fused")) else []
        if fused:
            if fused[0] != "BiasAdd" or any(f not in ("Relu", "Relu6") for f in fused[1:]):
                raise ValueError("%s: fused ops %s not supported" % (node.name, fused))
            inputs.append(self.add_const(g.const(ins[2]).astype(np.float32), ins[2]))
        s = node.attr_list("strides")
        out = self.emit(
            "Conv",
            inputs,
            node.name,
            kernel_shape=list(weight.shape[2:]),
            strides=s[1:3],
            group=group,
            auto_pad=self.pad_mode(node),
        )
        for act in fused[1:]:
            out = self.activation(act, out, node.name)
        return out


    def conv_transpose(self, node):
        """TF's Conv2DBackpropInput(output size, filter, x): a transposed convolution."""
        g = self.graph
        out_size = [int(d) for d in g.const(node.inputs[0])]
        w = g.const(node.inputs[1]).astype(np.float32)  # kh, kw, out_c, in_c
        kh, kw = w.shape[:2]
        s = node.attr_list("strides")
        dil = node.attr_list("dilations")
        if dil and dil != [1, 1, 1, 1]:
            raise ValueError("%s: dilation not supported" % node.name)
        padding = node.attr_str("padding")
        if padding not in ("SAME", "VALID"):
            raise ValueError("%s: padding %s not supported" % (node.name, padding))
        pads = []
        for axis, k in ((1, kh), (2, kw)):
            # x has the size the forward convolution gives from the output size;
            # the output is cut from the full transposed result where that
            # convolution's padding put it.
            out, st = out_size[axis], s[axis]
            if padding == "SAME":
                in_size = -(-out // st)
                before = max((in_size - 1) * st + k - out, 0) // 2
            else:
                in_size = (out - k) // st + 1
                before = 0
            pads.append((before, (in_size - 1) * st + k - out - before))
        if any(p < 0 for pair in pads for p in pair):
            raise ValueError("%s: output larger than the transposed convolution" % node.name)
        return self.emit(
            "ConvTranspose",
            [self.tensor(node.inputs[2]), self.add_const(w.transpose(3, 2, 0, 1), node.inputs[1])],
            node.name,
            kernel_shape=[kh, kw],
            strides=s[1:3],
            pads=[pads[0][0], pads[1][0], pads[0][1], pads[1][1]],
        )


def convert(model_name, source_dir, out_path):
    entry = MODELS[model_name]
    graph = Graph("%s/%s.json" % (source_dir, entry["source"]))
    conv = Converter(graph)

    tf_input, onnx_input, shape = entry["input"]
    dims = [d if d is not None else ("height" if i == 1 else "width") for i, d in enumerate(shape)]
    graph_inputs = [helper.make_tensor_value_info(onnx_input, TensorProto.FLOAT, dims)]
    nchw = conv.emit("Transpose", [onnx_input], "to_nchw", perm=[0, 3, 1, 2])
    conv.names[tf_input + ":0"] = nchw
    conv.rank4.add(nchw)

    tf_outputs = [o[1] for o in entry["outputs"]]
    # A resize's size input is read as a pattern by resize_scales, not converted.
    for name in graph.needed_for(tf_outputs, skip_inputs={"ResizeBilinear": [1]}, stop_at={tf_input}):
        node = graph.nodes[name]
        if name == tf_input:
            continue
        conv.convert(node)

    graph_outputs = []
    for onnx_name, tf_name in entry["outputs"]:
        src = conv.tensor(tf_name)
        rank = 4 if src in conv.rank4 else 2
        if src in conv.rank4:
            conv.nodes.append(helper.make_node("Transpose", [src], [onnx_name], perm=[0, 2, 3, 1]))
        else:
            conv.nodes.append(helper.make_node("Identity", [src], [onnx_name]))
        graph_outputs.append(helper.make_tensor_value_info(onnx_name, TensorProto.FLOAT, [None] * rank))

    onnx_graph = helper.make_graph(conv.nodes, model_name, graph_inputs, graph_outputs, conv.initializers)
    model = helper.make_model(
        onnx_graph,
        producer_name="tavelin2-tfjs-to-onnx",
        opset_imports=[helper.make_opsetid("", OPSET)],
    )
    model.ir_version = 7
    onnx.checker.check_model(model)
    onnx.save(model, out_path)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    convert(sys.argv[1], sys.argv[2], sys.argv[3])
