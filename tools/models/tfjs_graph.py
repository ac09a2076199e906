"""Reads a TensorFlow.js graph model (model.json + weight shards).

The weights of the models we use are stored as float16 ("quantization" entry
in the manifest) and come back here as float32 NumPy arrays, the way the
TF.js runtime dequantises them when it loads the model.
"""

import base64
import json
import os

import numpy as np


class Node:
    def __init__(self, raw):
        self.name = raw["name"]
        self.op = raw["op"]
        self.inputs = [i for i in raw.get("input", []) if not i.startswith("^")]
        self.attr = raw.get("attr", {})

    def attr_list(self, key):
        return [int(v) for v in self.attr.get(key, {}).get("list", {}).get("i", [])]

    def attr_str(self, key, default=""):
        value = self.attr.get(key, {}).get("s")
        return base64.b64decode(value).decode() if value is not None else default

    def attr_strs(self, key):
        return [base64.b64decode(s).decode() for s in self.attr.get(key, {}).get("list", {}).get("s", [])]

    def attr_bool(self, key, default=False):
        return bool(self.attr.get(key, {}).get("b", default))

    def attr_int(self, key, default=0):
        return int(self.attr.get(key, {}).get("i", default))


class Graph:
    def __init__(self, json_path):
        with open(json_path, encoding="utf-8") as f:
            model = json.load(f)
        self.nodes = {}
        self.order = []
        for raw in model["modelTopology"]["node"]:
            node = Node(raw)
            self.nodes[node.name] = node
            self.order.append(node.name)
        self.signature = model.get("signature", {})
        self.weights = _read_weights(model["weightsManifest"], os.path.dirname(json_path))

    def const(self, name):
        """The value of a Const node (or None when `name` is not a constant)."""
        name = strip_port(name)
        node = self.nodes.get(name)
        if node is None or node.op != "Const":
            return None
        return self.weights[name]

    def needed_for(self, outputs, skip_inputs=None, stop_at=()):
        """Names of the non-Const nodes that `outputs` depend on, in graph order.

        skip_inputs maps an op type to input positions not to follow; the
        nodes in stop_at are listed but what they depend on is not."""
        skip_inputs = skip_inputs or {}
        seen = set()
        stack = [strip_port(o) for o in outputs]
        while stack:
            name = stack.pop()
            if name in seen:
                continue
            seen.add(name)
            if name in stop_at:
                continue
            node = self.nodes[name]
            skip = skip_inputs.get(node.op, [])
            stack.extend(strip_port(i) for k, i in enumerate(node.inputs) if k not in skip)
        return [n for n in self.order if n in seen and self.nodes[n].op != "Const"]


def strip_port(name):
    return name.split(":")[0]


def _read_weights(manifest, folder):
    weights = {}
    for group in manifest:
        data = b"".join(open(os.path.join(folder, p), "rb").read() for p in group["paths"])
        offset = 0
        for w in group["weights"]:
            shape = [int(d) for d in w["shape"]]
            count = int(np.prod(shape)) if shape else 1
            quant = w.get("quantization")
            if quant and quant["dtype"] == "float16":
                value = np.frombuffer(data, np.float16, count, offset).astype(np.float32)
                offset += 2 * count
            elif w["dtype"] == "float32":
                value = np.frombuffer(data, np.float32, count, offset)
                offset += 4 * count
            elif w["dtype"] == "int32":
                value = np.frombuffer(data, np.int32, count, offset)
                offset += 4 * count
            else:
                raise ValueError("unsupported weight %s (%s, %s)" % (w["name"], w["dtype"], quant))
            weights[w["name"]] = value.reshape(shape)
        if offset != len(data):
            raise ValueError("weight shards hold %d bytes, the manifest describes %d" % (len(data), offset))
    return weights
