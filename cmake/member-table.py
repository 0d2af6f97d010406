#!/usr/bin/env python3
"""Writes the control's member table from its interface definition, so that
the type library, the dispatch table and the browser bridge read one list.

  member-table.py INTERFACE.idl OUT.h

Each member of the dual interface becomes `k<Name> = <id>` and a table row
{name, id, kind, parameter types, put type}; each event of the outgoing
interface `k<Event> = <id>`. Types: s BSTR, b VARIANT_BOOL, u unsigned
32-bit, h short, v optional VARIANT. A type not known here stops the build."""
import re
import sys

TYPES = {"BSTR": "s", "VARIANT_BOOL": "b", "UINT": "u", "unsigned long": "u", "short": "h", "VARIANT": "v"}


def split_params(params):
    """The parameters, split at the commas outside their attribute lists."""
    out, depth, current = [], 0, ""
    for c in params:
        depth += c == "["
        depth -= c == "]"
        if c == "," and depth == 0:
            out.append(current.strip())
            current = ""
        else:
            current += c
    return [p for p in out + [current.strip()] if p]


def in_types(params, where):
    out = ""
    for p in split_params(" ".join(params.split())):
        if p == "void" or "retval" in p:
            continue
        m = re.match(r"\[([^\]]*)\]\s*(.+?)\s+\w+$", p)
        if not m or "in" not in [a.strip() for a in m.group(1).split(",")]:
            sys.exit(f"member-table: {where}: cannot read the parameter '{p}'")
        kind = TYPES.get(m.group(2))
        if not kind:
            sys.exit(f"member-table: {where}: no conversion for the type '{m.group(2)}'")
        if kind == "v" and "optional" not in m.group(1):
            sys.exit(f"member-table: {where}: a VARIANT parameter must be optional")
        out += kind
    return out


def main():
    idl, out = sys.argv[1], sys.argv[2]
    text = re.sub(r"//[^\n]*", "", open(idl, encoding="utf-8").read())
    interface = re.search(r"interface\s+IKT5Ctrl\s*:\s*IDispatch\s*\{(.*?)\};", text, re.S).group(1)
    members = {}  # name -> [id, getter params, put type, is method]
    order = []
    for attrs, name, params in re.findall(r"\[([^\]]*)\]\s*HRESULT\s+(\w+)\s*\(([^)]*)\)\s*;", interface, re.S):
        m = re.search(r"\bid\((\d+)\)", attrs)
        if not m:
            sys.exit(f"member-table: {name} has no id")
        mid = int(m.group(1))
        row = members.setdefault(name, [mid, "", None, False])
        if name not in order:
            order.append(name)
        if row[0] != mid:
            sys.exit(f"member-table: {name} has two ids")
        flags = [a.strip() for a in attrs.split(",")]
        if "propput" in flags:
            put = in_types(params, name)
            if len(put) != 1:
                sys.exit(f"member-table: the put of {name} takes one value")
            row[2] = put
        elif "propget" in flags:
            row[1] = in_types(params, name)
        else:
            row[1] = in_types(params, name)
            row[3] = True
    events_block = re.search(r"dispinterface\s+_IKT5CtrlEvents\s*\{(.*?)\};", text, re.S).group(1)
    events = [(name, int(i)) for i, name in re.findall(r"\[id\((\d+)\)\]\s*void\s+(\w+)\s*\(", events_block)]

    lines = [f"// Made from {idl.rsplit('/', 1)[-1]} at build time by cmake/member-table.py: edit the",
             "// interface, not this file. Included by control/DispatchIds.h.", "#pragma once", "",
             "enum : int32_t {"]
    lines += [f"  k{name} = {members[name][0]}," for name in order]
    lines += ["};", "", "// Events of the outgoing interface.", "enum : int32_t {"]
    lines += [f"  k{name} = {i}," for name, i in events]
    lines += ["};", "", "inline constexpr Member kMembers[] = {"]
    for name in order:
        mid, params, put, method = members[name]
        kind = "kMethod" if method else ("kProperty" if put else "kReadOnly")
        lines.append(f'    {{u"{name}", {mid}, MemberKind::{kind}, "{params}", \'{put or " "}\'}},')
    lines += ["};", "", "// By DISPID; 0 has none.", "inline constexpr std::u16string_view kEventNames[] = {"]
    names = dict((i, n) for n, i in events)
    lines += [f'    u"{names.get(i, "")}",' for i in range(max(names) + 1)]
    lines += ["};", ""]
    text = "\n".join(lines)
    try:
        if open(out, encoding="utf-8").read() == text:
            return 0  # unchanged: nothing rebuilds
    except OSError:
        pass
    with open(out, "w", encoding="utf-8") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
