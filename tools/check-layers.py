#!/usr/bin/env python3
"""Fails when folders depend on each other in a circle.

Two graphs of folders are checked:
  - the build's target graph of a configured build folder: what each target
    links or was made to depend on (target-graph.tsv, which the configure
    writes), with the dependencies CMake computed itself where its file API
    has answered (custom commands on programs); a target belongs to the
    folder of its sources, or else to the folder whose list defines it;
  - the include graph of the source tree: every '#include "..."' of a tracked
    C or C++ file, resolved to the file it finds (beside the including file
    first, else the file of that name nearest to it in the tree), joins the
    including file's folder to the found file's folder.

Tests, fuzzers, benchmarks, the test support, review tools and the native
build are a layer above the product: a product folder that depends on one of them is reported
like a cycle, since that layer always depends on the product.

    check-layers.py --source DIR [--build DIR]

Without --build only the include graph is checked. Exit 0 when both graphs
point one way, 1 with each cycle printed.
"""
import argparse
import json
import os
import re
import subprocess
import sys

# native/ is the build of the logic for its sanitized tests and fuzzers only.
ABOVE_PRODUCT = {"tests", "fuzz", "bench", "e2e", "review", "testsupport", "stubs", "native"}
SOURCE_SUFFIXES = (".c", ".cc", ".cpp", ".h", ".hpp", ".inc", ".rc")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)


def layer_node(folder):
    """The graph node of a folder: a folder inside a test-layer folder is that
    folder, so a test tree counts as one node above its product folder."""
    parts = folder.split("/") if folder else []
    for i, part in enumerate(parts):
        if part in ABOVE_PRODUCT:
            return "/".join(parts[: i + 1])
    return folder or "."


def above_product(node):
    return any(part in ABOVE_PRODUCT for part in node.split("/"))


def find_cycle(edges):
    """One cycle of the graph as a list of nodes (first repeated at the end),
    or None. Iterative depth-first search."""
    state = {}
    for root in sorted(edges):
        if state.get(root):
            continue
        stack = [(root, iter(sorted(edges.get(root, ()))))]
        path = [root]
        state[root] = 1
        while stack:
            node, children = stack[-1]
            child = next(children, None)
            if child is None:
                stack.pop()
                path.pop()
                state[node] = 2
                continue
            if state.get(child) == 1:
                return path[path.index(child):] + [child]
            if not state.get(child):
                state[child] = 1
                path.append(child)
                stack.append((child, iter(sorted(edges.get(child, ())))))
    return None


def report(graph_name, edges, why):
    """Prints every upward dependency and the cycles, one at a time (each
    found cycle's last edge is set aside to look for more). Returns the
    number of faults."""
    faults = 0
    for a in sorted(edges):
        for b in sorted(edges[a]):
            if not above_product(a) and above_product(b):
                print(f"{graph_name}: product folder {a} depends on {b}, which is above the product")
                print(f"    {why[(a, b)]}")
                faults += 1
    remaining = {a: set(bs) for a, bs in edges.items()}
    while True:
        cycle = find_cycle(remaining)
        if not cycle:
            return faults
        faults += 1
        print(f"{graph_name}: cycle " + " -> ".join(cycle))
        for a, b in zip(cycle, cycle[1:]):
            print(f"    {a} -> {b}: {why[(a, b)]}")
        remaining[cycle[-2]].discard(cycle[-1])


def tracked_sources(source):
    out = subprocess.run(["git", "-C", source, "ls-files"], capture_output=True, text=True)
    if out.returncode != 0:
        sys.exit(f"check-layers: cannot list the files of {source}: {out.stderr.strip()}")
    return [f for f in out.stdout.splitlines() if f.endswith(SOURCE_SUFFIXES)]


def common_prefix_length(a, b):
    n = 0
    for x, y in zip(a.split("/"), b.split("/")):
        if x != y:
            break
        n += 1
    return n


def include_graph(source):
    files = tracked_sources(source)
    known = set(files)
    by_name = {}
    for f in files:
        by_name.setdefault(os.path.basename(f), []).append(f)
    edges, why = {}, {}
    for f in files:
        try:
            with open(os.path.join(source, f), encoding="utf-8", errors="replace") as h:
                text = h.read()
        except OSError:
            continue
        here = os.path.dirname(f)
        for name in INCLUDE.findall(text):
            beside = os.path.normpath(os.path.join(here, name))
            if beside in known:
                found = beside
            else:
                candidates = by_name.get(os.path.basename(name), [])
                if not candidates:
                    continue  # generated in the build or a system header
                found = max(candidates, key=lambda c: (common_prefix_length(c, f), c))
            a, b = layer_node(here), layer_node(os.path.dirname(found))
            if a != b:
                edges.setdefault(a, set()).add(b)
                why.setdefault((a, b), f"{f} includes {found}")
    return edges, why


def target_node(source, folder):
    """A product target belongs to its top folder; a test-layer one to its
    test folder."""
    rel = os.path.relpath(folder, source).replace(os.sep, "/")
    node = layer_node("" if rel == "." else rel)
    return node if above_product(node) else node.split("/")[0]


def declared_targets(source, build):
    """name -> (node, raw dependency texts) from the configure's target list."""
    path = os.path.join(build, "target-graph.tsv")
    try:
        with open(path, encoding="utf-8") as h:
            rows = [line.rstrip("\n").split("\t") for line in h if line.strip()]
    except OSError as e:
        sys.exit(f"check-layers: {e}")
    targets = {}
    for name, folder, deps, sources in rows:
        if os.path.relpath(folder, source).startswith(".."):
            continue  # a library brought in from outside the tree
        node = target_node(source, folder)
        # A target that a test folder's list defines is a test, whatever it
        # is built from (a test variant of a program). A target built only
        # from the files of one folder is that folder's, wherever its list
        # is: a test program defined in its product folder's list is a test.
        owners = set()
        for src in filter(None, sources.split(";")):
            full = src if os.path.isabs(src) else os.path.join(folder, src)
            generated = not os.path.relpath(full, build).startswith("..")
            if "$<" not in src and not generated and not os.path.relpath(full, source).startswith(".."):
                owners.add(target_node(source, os.path.dirname(full)))
        if len(owners) == 1 and not above_product(node):
            node = owners.pop()
        targets[name] = (node, deps)
    return targets


def codemodel_dependencies(build):
    """(name, name) pairs of the dependencies CMake computed, custom commands
    on programs included; empty until a configure has answered the query."""
    reply = os.path.join(build, ".cmake", "api", "v1", "reply")
    try:
        index = sorted(n for n in os.listdir(reply) if n.startswith("index-"))[-1]
        with open(os.path.join(reply, index)) as h:
            objects = json.load(h)["objects"]
        model = next(o for o in objects if o["kind"] == "codemodel")
        with open(os.path.join(reply, model["jsonFile"])) as h:
            config = json.load(h)["configurations"][0]
    except (OSError, IndexError, StopIteration, KeyError, ValueError):
        return []
    pairs = []
    names = {t["id"]: t["name"] for t in config["targets"]}
    for t in config["targets"]:
        with open(os.path.join(reply, t["jsonFile"])) as h:
            detail = json.load(h)
        for dep in detail.get("dependencies", []):
            if dep["id"] in names:
                pairs.append((t["name"], names[dep["id"]]))
    return pairs


def target_graph(source, build):
    targets = declared_targets(source, build)
    pairs = []
    for name, (_, deps) in targets.items():
        # Generator expressions wrap target names; any word that names a
        # target is a dependency on it.
        for word in set(re.findall(r"[A-Za-z0-9_.+:-]+", deps)):
            if word in targets:
                pairs.append((name, word))
    pairs += [(a, b) for a, b in codemodel_dependencies(build) if a in targets and b in targets]
    edges, why = {}, {}
    for a_name, b_name in pairs:
        a, b = targets[a_name][0], targets[b_name][0]
        if a != b:
            edges.setdefault(a, set()).add(b)
            why.setdefault((a, b), f"target {a_name} depends on {b_name}")
    return edges, why


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--source", required=True)
    parser.add_argument("--build")
    args = parser.parse_args()
    faults = report("include graph", *include_graph(args.source))
    if args.build:
        faults += report("target graph", *target_graph(args.source, args.build))
    if faults:
        print(f"check-layers: {faults} fault(s)")
        return 1
    print("check-layers: the folders point one way")
    return 0


if __name__ == "__main__":
    sys.exit(main())
