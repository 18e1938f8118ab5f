#!/usr/bin/env python3
"""Random input programs for the differential run (tests/differential/compare.sh).

    generate.py --seed S [--first K] [--count N] --out DIR

writes DIR/NNNNNNN.txt for programs K .. K+N-1 of seed S. Every program has a
random generator of its own, seeded by S and its number, so a program is the
same whichever batch makes it: `generate.py --seed S --first K --count 1 --out D`
makes program K again.

Programs are small (a handful of rules, at most 30 tuples a relation) so that
one run takes milliseconds. About half are well formed: rules of one to four
atoms over declared and derived relations with conditions of every operator,
recursive groups (closures, mutual recursion, recursion under conditions,
members declared or without a base). The rest carry odd shapes the reader
accepts (odd operators and operands, column references, atoms without ")",
missing arrows, stray commas and blanks, relations declared twice, tuple lines
of the wrong width, "-5" and blank lines inside blocks, CR LF line ends, no
final line feed, ...), or are random byte mutations of well-formed programs.

Text is Latin-2 bytes. Programs are built as str of code points below 256 and
written with the latin-1 codec, which maps each such code point to the byte of
the same value, so accented initials such as \\xE1 and \\xC1 come out exact.
"""

import argparse
import os
import random
import re

# Names of declared relations and of derived heads; some have accented
# Latin-2 initials (\xE1, \xE9, \xFA, \xFB are lower-case letters here).
DECLARED_NAMES = ["e", "edge", "city", "s", "node", "w", "par", "\xe9l", "\xe1g", "r2"]
DERIVED_NAMES = ["p", "q", "tc", "path2", "far", "a", "b", "k", "u", "reach", "sg",
                 "v\xe1ros", "\xfb", "\xfaj", "yes"]
ATTRIBUTE_NAMES = ["a", "b", "c", "d", "from", "to", "id", "name", "\xe9rt\xe9k"]
PLAIN_VARIABLES = ["X", "Y", "Z", "W", "V", "A", "B", "N", "Mx"]
# \xC1 \xC9 \xCD \xD3 \xD5 \xDA \xDB are capital letters, so variable initials.
ACCENTED_VARIABLES = ["\xc1", "\xc9", "\xdax", "\xcdj", "\xd5", "\xdb", "\xd3k"]
WORDS = ["a", "b", "c", "x", "y", "9", "10", "Pecs", "Gyor", "\xe1rok", "Szeged", "B", "aa"]
ODD_INTS = ["007", "01", "00", "10", "12", "99", "123456789012345678901234567890",
            "18446744073709551616", "9223372036854775808"]
ODD_TEXTS = ["''", "'10'", "'\xfar'", "'\xdb'", "'a b'", "'007'", "'-3'", "' 2'"]
OPERATORS = ["=", "!=", "<", "<=", ">", ">="]
# Operator byte runs that no well-formed condition has.
ODD_OPERATORS = ["==", "=<", "=>", "<>", "!", "!==", ">=<", "<<", "=!", "><", "!<", "<=="]
# Pieces the byte mutations insert: the language's tokens and a few bytes
# that are almost tokens.
MUTATION_TOKENS = ["(", ")", ",", "'", "<-", "<", "-", "=", "!=", ">=", "$0", "$1", "$9",
                   "\n", "\n\n", "\r\n", "\r", "X", "Y", "e(X,Y)", "p(X)<-", "tc(X,Z)<-",
                   "\xe1", "\xc1", "\xf6", "\xfc", "-5", "0", "9", " ", "007", "''", "\x00",
                   "e(a,b)\n", "1,2\n", "'a','b'\n", ",,", "()", "\t"]
STRUCTURE_BYTES = "(),'<-=!>$\n\r 019AXYZaepq\xe1\xc1\xf6"


class Relation:
    """A relation a program declares or derives: name, column types
    (True for a string column) and attribute names."""

    def __init__(self, name, text_columns, attributes):
        self.name = name
        self.text_columns = text_columns
        self.attributes = attributes

    @property
    def arity(self):
        return len(self.text_columns)


class Block:
    """One relation block of the input: a declaration line, tuple lines, then
    as many empty lines as `gap` says (the last block may have none)."""

    def __init__(self, header, lines, gap=1):
        self.header = header
        self.lines = lines
        self.gap = gap


class Program:
    """Rule lines, the empty lines after them, relation blocks, and how
    lines end."""

    def __init__(self):
        self.rules = []
        self.blocks = []
        self.gap = 1  # empty lines between the rules and the first block
        self.leading_empty_lines = 0
        self.crlf = 0.0  # share of line ends written as CR LF
        self.final_line_feed = True

    def lines(self):
        lines = [""] * self.leading_empty_lines + list(self.rules)
        if self.blocks:
            lines += [""] * self.gap
            for block in self.blocks:
                lines.append(block.header)
                lines += block.lines
                lines += [""] * block.gap
        return lines

    def render(self, rng):
        lines = self.lines()
        text = []
        for i, line in enumerate(lines):
            text.append(line)
            if i + 1 < len(lines) or self.final_line_feed:
                text.append("\r\n" if self.crlf and rng.random() < self.crlf else "\n")
        return "".join(text)


def weighted(rng, pairs):
    """One item of (weight, item) pairs."""
    total = sum(weight for weight, _ in pairs)
    point = rng.random() * total
    for weight, item in pairs:
        point -= weight
        if point < 0:
            return item
    return pairs[-1][1]


def chance(rng, probability):
    return rng.random() < probability


VARIABLE_PATTERN = re.compile("[A-Z\xc1\xc9\xcd\xd3\xd5\xda\xdb][A-Za-z0-9]*")


class Generator:
    def __init__(self, rng):
        self.rng = rng
        self.domain = rng.choice([3, 4, 5, 6, 8, 10, 12])
        self.words = rng.sample(WORDS, rng.randint(3, 7))
        self.accented_share = rng.choice([0.0, 0.1, 0.3])

    # ----- values and tuples -------------------------------------------------

    def int_value(self):
        if chance(self.rng, 0.95):
            return str(self.rng.randint(0, self.domain))
        return self.rng.choice(ODD_INTS)

    def text_value(self):
        if chance(self.rng, 0.88):
            return "'" + self.rng.choice(self.words) + "'"
        return self.rng.choice(ODD_TEXTS)

    def value(self, text):
        return self.text_value() if text else self.int_value()

    def constant(self, text=None):
        """A constant for a condition or an atom argument."""
        if text is None:
            if chance(self.rng, 0.05):
                return self.rng.choice(["abc", "-3", "x"])  # no tuple holds these
            text = chance(self.rng, 0.3)
        return self.value(text)

    def tuple_line(self, relation):
        values = []
        for text in relation.text_columns:
            values.append(self.value(not text if chance(self.rng, 0.03) else text))
        return ",".join(values)

    def tuple_count(self):
        return weighted(self.rng, [(5, 0), (30, self.rng.randint(1, 5)),
                                   (45, self.rng.randint(6, 15)), (20, self.rng.randint(16, 30))])

    def block(self, relation, count=None):
        if count is None:
            count = self.tuple_count()
        header = relation.name + "(" + ",".join(relation.attributes) + ")"
        return Block(header, [self.tuple_line(relation) for _ in range(count)])

    # ----- relations ---------------------------------------------------------

    def columns(self, low=1, high=3):
        return [chance(self.rng, 0.3) for _ in range(self.rng.randint(low, high))]

    def attributes(self, arity):
        names = self.rng.sample(ATTRIBUTE_NAMES, min(arity, len(ATTRIBUTE_NAMES)))
        return names[:arity]

    def declared_relations(self, count):
        names = self.rng.sample(DECLARED_NAMES, count)
        relations = []
        for name in names:
            columns = self.columns(1, 4 if chance(self.rng, 0.1) else 3)
            relations.append(Relation(name, columns, self.attributes(len(columns))))
        return relations

    def derived_heads(self, count, taken):
        names = [name for name in DERIVED_NAMES if name not in taken]
        heads = []
        for name in self.rng.sample(names, count):
            arity = 0 if chance(self.rng, 0.03) else self.rng.randint(1, 3)
            heads.append(Relation(name, [chance(self.rng, 0.3) for _ in range(arity)], []))
        return heads

    # ----- rules -------------------------------------------------------------

    def rule_variables(self, count=5):
        variables = []
        while len(variables) < count:
            pool = ACCENTED_VARIABLES if chance(self.rng, self.accented_share) else PLAIN_VARIABLES
            name = self.rng.choice(pool)
            if name not in variables:
                variables.append(name)
        return variables

    def atom(self, relation, variables, bound):
        """An atom over `relation`; the variables it names join `bound`
        (variable -> whether it came from a string column)."""
        arguments = []
        shared = sorted(bound)
        for text in relation.text_columns:
            if chance(self.rng, 0.08):
                arguments.append(self.constant(text))
                continue
            fresh = [name for name in variables if name not in bound and name not in arguments]
            if shared and chance(self.rng, 0.45):
                name = self.rng.choice(shared)  # joins with an atom before
            elif fresh and chance(self.rng, 0.88):
                name = self.rng.choice(fresh)
            else:
                name = self.rng.choice(variables)  # may repeat one within the atom
            arguments.append(name)
            bound.setdefault(name, text)
        return relation.name + "(" + ",".join(arguments) + ")"

    def condition(self, variables, bound):
        """A condition with any operator: bound or unbound variables,
        constants and column references on either side."""
        op = self.rng.choice(OPERATORS)
        unbound = [name for name in variables if name not in bound]
        bound_names = sorted(bound)

        def variable(bound_share):
            if bound_names and (not unbound or chance(self.rng, bound_share)):
                return self.rng.choice(bound_names)
            return self.rng.choice(unbound)

        left_kind = weighted(self.rng, [(60, "bound"), (10, "unbound"), (18, "constant"),
                                        (12, "column")])
        if left_kind == "constant":
            left = self.constant()
        elif left_kind == "column":
            left = "$" + str(self.rng.randint(0, 3))
        else:
            left = variable(1.0 if left_kind == "bound" else 0.0)
        right_kind = weighted(self.rng, [(45, "constant"), (30, "bound"), (15, "unbound"),
                                         (10, "column")])
        if right_kind == "constant":
            text = bound.get(left) if left in bound and chance(self.rng, 0.8) else None
            right = self.constant(text)
        elif right_kind == "column":
            right = "$" + str(self.rng.randint(0, 3))
        else:
            right = variable(1.0 if right_kind == "bound" else 0.0)
            if left in bound and right not in bound:
                if chance(self.rng, 0.5):
                    op = "="  # binds the new variable from the bound one
                bound[right] = bound[left]
        if left not in bound and VARIABLE_PATTERN.fullmatch(left) and \
                not VARIABLE_PATTERN.fullmatch(right):
            bound[left] = right.startswith("'")  # a condition alone binds it to the constant
        return left + op + right

    def rule(self, head, body_relations, first=None, head_arguments=None, most_atoms=4):
        """A rule for `head` of one to `most_atoms` atoms over `body_relations`
        (the first over `first` when given) and up to three conditions."""
        variables = self.rule_variables()
        bound = {}
        elements = []
        atom_count = min(most_atoms, weighted(self.rng, [(40, 1), (32, 2), (18, 3), (10, 4)]))
        previous = None
        for i in range(atom_count):
            if i == 0 and first is not None:
                relation = first
            else:
                relation = self.rng.choice(body_relations)
                if relation is previous and chance(self.rng, 0.5):
                    relation = self.rng.choice(body_relations)
            elements.append(self.atom(relation, variables, bound))
            previous = relation
        if chance(self.rng, 0.2):
            self.rng.shuffle(elements)
        condition_count = weighted(self.rng, [(40, 0), (35, 1), (17, 2), (8, 3)])
        for _ in range(condition_count):
            at = self.rng.randint(0, len(elements))
            elements.insert(at, self.condition(variables, bound))
        if head_arguments is None:
            head_arguments = []
            bound_names = sorted(bound) or variables
            for _ in range(head.arity):
                unused = [name for name in bound_names if name not in head_arguments]
                if not chance(self.rng, 0.97):
                    head_arguments.append(self.rng.choice(variables))  # maybe unbound
                elif unused and chance(self.rng, 0.85):
                    head_arguments.append(self.rng.choice(unused))
                else:
                    head_arguments.append(self.rng.choice(bound_names))
        return head.name + "(" + ",".join(head_arguments) + ")<-" + ",".join(elements)

    def constant_rule(self, head):
        """A rule of conditions alone that bind its head's variables to constants."""
        variables = self.rule_variables(max(head.arity, 1))
        elements = []
        for name in variables:
            value = self.constant(chance(self.rng, 0.3))
            elements.append(name + "=" + value if chance(self.rng, 0.8) else value + "=" + name)
        return head.name + "(" + ",".join(variables[:head.arity]) + ")<-" + ",".join(elements)

    # ----- whole programs ----------------------------------------------------

    def declared_blocks(self, program, relations):
        for relation in relations:
            program.blocks.append(self.block(relation))

    def plain_program(self):
        """Rules over declared relations and heads derived before them, now
        and then reading any head (which may close a cycle)."""
        program = Program()
        declared = self.declared_relations(self.rng.randint(1, 4))
        heads = self.derived_heads(self.rng.randint(1, 4), {r.name for r in declared})
        for i, head in enumerate(heads):
            readable = declared + (heads if chance(self.rng, 0.2) else heads[:i])
            if chance(self.rng, 0.08):
                head = self.rng.choice(declared)  # a rule adds to a declared relation
            # Rules that may close a cycle get fewer atoms, and one alone over
            # three columns: a recursive group over joins of wide relations
            # can take seconds.
            most_atoms = 4 if readable == declared + heads[:i] and head in heads else \
                2 if head.arity < 3 else 1
            for _ in range(weighted(self.rng, [(60, 1), (30, 2), (10, 3)])):
                if chance(self.rng, 0.05):
                    program.rules.append(self.constant_rule(head))
                else:
                    program.rules.append(self.rule(head, readable, most_atoms=most_atoms))
        if chance(self.rng, 0.3):
            self.rng.shuffle(program.rules)
        self.declared_blocks(program, declared)
        return program

    def edge_relation(self, declared):
        for relation in declared:
            if relation.arity == 2 and relation.text_columns[0] == relation.text_columns[1]:
                return relation
        text = chance(self.rng, 0.2)
        relation = Relation(self.rng.choice(["e", "edge", "\xe9l"]), [text, text],
                            ["from", "to"] if chance(self.rng, 0.7) else ["a", "\xe9rt\xe9k"])
        while any(r.name == relation.name for r in declared):
            relation.name += "x"
        declared.append(relation)
        return relation

    TEMPLATES = [
        # transitive closures: right-, left- and non-linear
        ["{t}({X},{Y})<-{e}({X},{Y})", "{t}({X},{Z})<-{t}({X},{Y}),{e}({Y},{Z})"],
        ["{t}({X},{Y})<-{e}({X},{Y})", "{t}({X},{Z})<-{e}({X},{Y}),{t}({Y},{Z})"],
        ["{t}({X},{Y})<-{e}({X},{Y})", "{t}({X},{Z})<-{t}({X},{Y}),{t}({Y},{Z})"],
        # the recursive rule before its base
        ["{t}({X},{Z})<-{t}({X},{Y}),{e}({Y},{Z})", "{t}({X},{Y})<-{e}({X},{Y})"],
        # mutual recursion: paths of odd and even length
        ["{t}({X},{Y})<-{e}({X},{Y})", "{u}({X},{Z})<-{t}({X},{Y}),{e}({Y},{Z})",
         "{t}({X},{Z})<-{u}({X},{Y}),{e}({Y},{Z})"],
        ["{t}({X},{Y})<-{u}({Y},{X})", "{u}({X},{Y})<-{t}({X},{Y})", "{u}({X},{Y})<-{e}({X},{Y})"],
        # recursion under conditions
        ["{t}({X},{Y})<-{e}({X},{Y}),{X}{op}{c}", "{t}({X},{Z})<-{t}({X},{Y}),{e}({Y},{Z}),{Z}!={X}"],
        ["{t}({X},{Y})<-{e}({X},{Y})", "{t}({X},{Z})<-{t}({X},{Y}),{e}({Y},{Z}),{Y}{op}{Z}"],
        ["{t}({X},{Y})<-{e}({X},{Y})", "{t}({X},{Z})<-{t}({X},{Y}),{e}({Y},{Z}),{c}{op}{Z}"],
        # pairing conditions: one side unbound, or a constant on the left
        ["{t}({X},{Y})<-{e}({X},{Y})", "{t}({X},{Y})<-{t}({X},{Z}),{Y}{op}{Z}"],
        ["{t}({X},{Y})<-{e}({X},{Y})", "{t}({Y},{X})<-{t}({X},{Z}),{X}=$1,{Z}{op}{Y}"],
        # reach from one node
        ["{t}({Y})<-{e}({c},{Y})", "{t}({Z})<-{t}({Y}),{e}({Y},{Z})"],
        # same generation
        ["{t}({X},{X})<-{e}({X},{Y})", "{t}({X},{Y})<-{e}({X},{A}),{t}({A},{B}),{e}({Y},{B})"],
        # a cycle nothing starts
        ["{t}({X})<-{u}({X})", "{u}({X})<-{t}({X}),{e}({X},{Y})"],
        # a declared relation that is its own member
        ["{e}({X},{Z})<-{e}({X},{Y}),{e}({Y},{Z})"],
        ["{e}({X},{Y})<-{t}({X},{Y})", "{t}({X},{Y})<-{e}({Y},{X}),{X}{op}{c}"],
        # rules of one head with two arities
        ["{t}({X},{Y})<-{e}({X},{Y})", "{t}({X})<-{t}({X},{Y}),{e}({Y},{Z})",
         "{t}({X},{Z})<-{t}({X},{Y}),{e}({Y},{Z})"],
        # an equality binding a new variable inside the group
        ["{t}({X},{Y})<-{e}({X},{Y})", "{t}({X},{Z})<-{t}({X},{Y}),{Z}={Y}"],
        # constants in heads' bodies and a head of constants
        ["{t}({A},{A})<-{A}={c}", "{t}({X},{Z})<-{t}({X},{Y}),{e}({Y},{Z})"],
    ]

    def template(self, edge, taken):
        names = [name for name in DERIVED_NAMES if name not in taken]
        t, u = self.rng.sample(names, 2)
        taken.update((t, u))
        variables = self.rule_variables(5)
        fields = {"t": t, "u": u, "e": edge.name, "op": self.rng.choice(OPERATORS),
                  "c": self.constant(edge.text_columns[0])}
        for key, name in zip(["X", "Y", "Z", "A", "B"], variables):
            fields[key] = name
        return [line.format(**fields) for line in self.rng.choice(self.TEMPLATES)], [t, u]

    def random_group(self, declared, taken):
        """Two to four members, each with a rule reading the next one (or
        itself), and more rules over members and declared relations."""
        names = [name for name in DERIVED_NAMES if name not in taken]
        members = []
        for name in self.rng.sample(names, self.rng.randint(2, 4)):
            taken.add(name)
            members.append(Relation(name, self.columns(1, 3), []))
        rules = []
        for m, member in enumerate(members):
            reads = members[(m + 1) % len(members)] if chance(self.rng, 0.7) else member
            rules.append(self.rule(member, declared + members, first=reads,
                                   most_atoms=3 if member.arity < 3 else 2))
        for _ in range(self.rng.randint(1, 2)):
            rules.append(self.rule(self.rng.choice(members), declared))
        for _ in range(self.rng.randint(0, 3)):
            member = self.rng.choice(members)
            rules.append(self.rule(member, declared + members,
                                   most_atoms=2 if member.arity < 3 else 1))
        self.rng.shuffle(rules)
        return rules, members

    def recursive_program(self):
        program = Program()
        declared = self.declared_relations(self.rng.randint(1, 3))
        edge = self.edge_relation(declared)
        taken = {r.name for r in declared}
        derived = []
        for _ in range(weighted(self.rng, [(60, 1), (30, 2), (10, 3)])):
            if chance(self.rng, 0.65):
                rules, names = self.template(edge, taken)
                program.rules += rules
                for name in names:
                    heads = [rule for rule in rules if rule.startswith(name + "(")]
                    if heads:  # the width of its first rule's head
                        width = heads[0].split(")")[0].count(",") + 1
                        derived.append(Relation(name, [edge.text_columns[0]] * width, []))
            else:
                rules, members = self.random_group(declared, taken)
                program.rules += rules
                derived += members
        # Rules that use the finished groups.
        for _ in range(self.rng.randint(0, 2)):
            heads = self.derived_heads(1, taken | {r.name for r in derived})
            taken.add(heads[0].name)
            program.rules.append(self.rule(heads[0], declared + derived))
        if chance(self.rng, 0.2):
            self.rng.shuffle(program.rules)
        for relation in declared:
            program.blocks.append(self.block(relation))
        if chance(self.rng, 0.15) and derived:
            # a member that is declared as well, with or without tuples, now
            # and then of another width
            member = self.rng.choice(derived)
            if chance(self.rng, 0.2) or not member.attributes:
                width = member.arity if chance(self.rng, 0.8) else self.rng.randint(1, 3)
                member = Relation(member.name, (member.text_columns + [False] * 3)[:width],
                                  self.attributes(width))
            count = 0 if chance(self.rng, 0.4) else self.rng.randint(1, 8)
            program.blocks.append(self.block(member, count))
        return program

    def well_formed(self):
        return self.plain_program() if chance(self.rng, 0.5) else self.recursive_program()

    # ----- odd shapes --------------------------------------------------------

    def rule_variable_names(self, rule):
        names = VARIABLE_PATTERN.findall(rule)
        return names or ["X", "Y"]

    def odd_condition(self, rule):
        names = self.rule_variable_names(rule)
        x = self.rng.choice(names)
        y = self.rng.choice(names)
        c = self.constant()
        shapes = [
            x + self.rng.choice(ODD_OPERATORS) + y,
            x + self.rng.choice(ODD_OPERATORS) + c,
            x + "<" + y + "=" + self.rng.choice(names),  # A<B=C
            c + self.rng.choice(OPERATORS) + x,  # constant on the left
            "'a'=" + x,
            x + self.rng.choice(OPERATORS),  # no right side
            self.rng.choice(OPERATORS) + x,  # no left side
            self.rng.choice(OPERATORS),
            x,  # no operator
            c,
            "$" + str(self.rng.randint(0, 2)) + self.rng.choice(OPERATORS) + "$" + str(self.rng.randint(0, 2)),
            "$" + str(self.rng.randint(0, 3)) + self.rng.choice(OPERATORS) + c,
            x + self.rng.choice(OPERATORS) + "$" + str(self.rng.randint(0, 3)),
            self.rng.choice(["$9", "$-1", "$99999999999999999999", "$", "$a"]) + "=" + c,
            "Q" + self.rng.choice(OPERATORS) + c,  # a variable no atom binds
            "Q" + self.rng.choice(OPERATORS) + x,
            x + "=" + self.rng.choice(["abc", "Abc", "'a", "a'", "''", "'x y'", "-5", "+5", " 2"]),
            x + " " + self.rng.choice(OPERATORS) + " " + c,
            "\xdb" + self.rng.choice(OPERATORS) + "\xc1",
        ]
        return self.rng.choice(shapes)

    def split_rule(self, rule):
        arrow = rule.find("<-")
        if arrow < 0:
            return None
        return rule[:arrow], rule[arrow + 2:]

    def body_elements(self, body):
        """The body cut at commas outside parentheses."""
        elements, depth, start = [], 0, 0
        for i, ch in enumerate(body):
            if ch == "(":
                depth += 1
            elif ch == ")":
                depth = max(depth - 1, 0)
            elif ch == "," and depth == 0:
                elements.append(body[start:i])
                start = i + 1
        elements.append(body[start:])
        return elements

    def odd_rule(self, rule, declared):
        """`rule` with one odd shape."""
        rng = self.rng
        parts = self.split_rule(rule)
        if parts is None:
            return rule + rng.choice([" ", ",", ")", "<-"])
        head, body = parts
        elements = self.body_elements(body)
        names = self.rule_variable_names(rule)
        kind = rng.randrange(22)
        if kind <= 3:  # an odd condition somewhere in the body
            elements.insert(rng.randint(0, len(elements)), self.odd_condition(rule))
        elif kind == 4:  # column references in the head
            open_ = head.find("(")
            arguments = head[open_ + 1:-1].split(",") if open_ >= 0 and head.endswith(")") else []
            if arguments:
                arguments[rng.randrange(len(arguments))] = "$" + str(rng.randint(0, 3))
                head = head[:open_ + 1] + ",".join(arguments) + ")"
            else:
                head = head + "($0)"
        elif kind == 5:  # an atom without ")"
            atoms = [i for i, e in enumerate(elements) if ")" in e]
            if atoms:
                i = rng.choice(atoms) if chance(rng, 0.4) else atoms[-1]
                cut = elements[i].rfind(")")
                elements[i] = elements[i][:cut] + elements[i][cut + 1:]
        elif kind == 6:  # no arrow, or one apart
            return head + rng.choice(["", "<", "-", "< -", " <-", "<- ", "<=", "<-<-", "->", "=<-"]) + body
        elif kind == 7:  # trailing blanks
            return rule + rng.choice([" ", "  ", "\t", " \t"])
        elif kind == 8:  # empty elements
            shape = rng.randrange(3)
            if shape == 0:
                elements.insert(rng.randint(0, len(elements)), "")
            elif shape == 1:
                elements.append("")
            else:
                elements.insert(0, "")
        elif kind == 9:  # a constant, an unbound variable or a lower-case name in the head
            open_ = head.find("(")
            if open_ >= 0 and head.endswith(")"):
                arguments = head[open_ + 1:-1].split(",")
                replacement = rng.choice([self.constant(), "Q", "\xdb", "x", "abc", "", "$1"])
                if chance(rng, 0.7) and arguments != [""]:
                    arguments[rng.randrange(len(arguments))] = replacement
                else:
                    arguments.insert(rng.randint(0, len(arguments)), replacement)
                head = head[:open_ + 1] + ",".join(arguments) + ")"
        elif kind == 10:  # a relation that no block declares
            name = rng.choice(["hi\xe1ny", "zz", "nincs", "q9"])
            arguments = ",".join(rng.choice(names) for _ in range(rng.randint(1, 2)))
            elements.insert(rng.randint(0, len(elements)), name + "(" + arguments + ")")
        elif kind == 11:  # a ground atom, an atom without parentheses
            relation = rng.choice(declared) if declared else Relation("e", [False, False], [])
            shape = rng.randrange(3)
            if shape == 0:
                atom = relation.name + "(" + ",".join(self.value(t) for t in relation.text_columns) + ")"
            elif shape == 1:
                atom = relation.name
            else:
                atom = relation.name + "()"
            elements.insert(rng.randint(0, len(elements)), atom)
        elif kind == 12:  # initials that are no letters, case swapped
            shape = rng.randrange(4)
            if shape == 0:
                elements.insert(rng.randint(0, len(elements)), rng.choice(["\xf6", "\xfc", "_", "1"]) + "e(X)")
            elif shape == 1:
                elements = [e[:1].upper() + e[1:] if e[:1].islower() and chance(rng, 0.5) else e
                            for e in elements]
            elif shape == 2:
                elements = [e.replace(names[0], names[0].lower()) for e in elements]
            else:
                elements.insert(rng.randint(0, len(elements)), "\xf6" + rng.choice(OPERATORS) + "1")
        elif kind == 13:  # a second arrow in the body
            elements.insert(rng.randint(0, len(elements)), rng.choice(["<-", "p(X)<-e(X)", "X<-Y"]))
        elif kind == 14:  # head without "(" or ")"
            if rng.random() < 0.5:
                head = head.replace("(", "", 1)
            else:
                head = head.replace(")", "", 1)
        elif kind == 15:  # empty body, empty head arguments
            if chance(rng, 0.5):
                elements = []
            else:
                open_ = head.find("(")
                head = (head[:open_] if open_ >= 0 else head) + rng.choice(["()", "(,X)", "(X,,Y)", "(X,)"])
        elif kind == 16:  # blanks inside names and operands
            text = ",".join(elements)
            if text:
                at = rng.randrange(len(text) + 1)
                text = text[:at] + " " + text[at:]
            elements = [text]
        elif kind == 17:  # a repeated variable, a constant in an atom
            atoms = [i for i, e in enumerate(elements) if e.endswith(")") and "(" in e]
            if atoms:
                i = rng.choice(atoms)
                open_ = elements[i].find("(")
                arguments = elements[i][open_ + 1:-1].split(",")
                j = rng.randrange(len(arguments))
                arguments[j] = rng.choice([arguments[0], self.constant(), "''", "abc", "$0"])
                elements[i] = elements[i][:open_ + 1] + ",".join(arguments) + ")"
        elif kind == 18:  # an extra or a missing head argument
            open_ = head.find("(")
            if open_ >= 0 and head.endswith(")"):
                arguments = head[open_ + 1:-1].split(",")
                if len(arguments) > 1 and chance(rng, 0.5):
                    arguments.pop(rng.randrange(len(arguments)))
                else:
                    arguments.append(rng.choice(names))
                head = head[:open_ + 1] + ",".join(arguments) + ")"
        elif kind == 19:  # a NUL byte or a carriage return inside the line
            text = head + "<-" + ",".join(elements)
            at = rng.randrange(len(text) + 1)
            return text[:at] + rng.choice(["\x00", "\r"]) + text[at:]
        elif kind == 20:  # conditions on variables no atom binds, only
            elements = [self.odd_condition(rule) if chance(rng, 0.5) else
                        rng.choice(names) + rng.choice(OPERATORS) + self.constant()
                        for _ in range(rng.randint(1, 3))]
        else:  # doubled commas between atoms
            return head + "<-" + ",".join(elements).replace(",", ",,", 1)
        return head + "<-" + ",".join(elements)

    def odd_block(self, program, declared):
        rng = self.rng
        if not program.blocks:
            return
        block = rng.choice(program.blocks)
        kind = rng.randrange(15)
        if kind == 0:  # the same relation declared twice
            relation = Relation(block.header.split("(")[0], self.columns(1, 3), [])
            relation.attributes = self.attributes(relation.arity)
            program.blocks.insert(rng.randint(0, len(program.blocks)), self.block(relation))
        elif kind == 1:  # a declaration without tuples
            block.lines = []
            if chance(rng, 0.4):
                block.gap = 0  # the next declaration, or the end of the file, follows
        elif kind == 2:  # tuple lines of the wrong width
            for i in range(len(block.lines)):
                if chance(rng, 0.3):
                    values = block.lines[i].split(",")
                    if len(values) > 1 and chance(rng, 0.5):
                        values.pop()
                    else:
                        values.append(self.value(chance(rng, 0.5)))
                    block.lines[i] = ",".join(values)
        elif kind == 3:  # "-5" inside a block, or as its first data line
            line = rng.choice(["-5", "-5,3", "-1,'a'", "-0"])
            block.lines.insert(rng.randint(0, len(block.lines)), line)
        elif kind == 4:  # an empty or blank line inside a block
            block.lines.insert(rng.randint(0, len(block.lines)), rng.choice(["", "", " ", "\t", "  "]))
        elif kind == 5:  # a comma inside a quoted value, a trailing comma
            if block.lines:
                i = rng.randrange(len(block.lines))
                block.lines[i] = rng.choice(["'a,b'," + block.lines[i], block.lines[i] + ","])
        elif kind == 6:  # values of the other type, empty strings, odd integers
            for i in range(len(block.lines)):
                if chance(rng, 0.3):
                    values = block.lines[i].split(",")
                    values[rng.randrange(len(values))] = rng.choice(ODD_INTS + ODD_TEXTS + ["''", "'a'", "5"])
                    block.lines[i] = ",".join(values)
        elif kind == 7:  # declarations without ")" or "(", or without attributes
            name = block.header.split("(")[0]
            block.header = rng.choice([block.header[:-1], name, name + "()", name + "(",
                                       block.header.replace("(", "", 1), block.header + " "])
        elif kind == 8:  # a stray line that is no tuple line: it starts a new block
            block.lines.insert(rng.randint(0, len(block.lines)),
                               rng.choice(["abc", "X", "+5", " 1,2", "e(a)", "\xe1(b)", "p(X)<-e(X)"]))
        elif kind == 9:  # a relation that rules derive, declared with tuples of its own width
            heads = [rule.split("(")[0] for rule in program.rules if "(" in rule]
            if heads:
                relation = Relation(rng.choice(heads), self.columns(1, 3), [])
                relation.attributes = self.attributes(relation.arity)
                program.blocks.append(self.block(relation, rng.randint(0, 6)))
        elif kind == 10:  # several empty lines between blocks
            block.gap = rng.randint(2, 4)
        elif kind == 11:  # a quoted value with quotes missing or doubled
            if block.lines:
                i = rng.randrange(len(block.lines))
                block.lines[i] = rng.choice(["'a", "a'", "''a''", "'a''b'", "'", "''''"]) + \
                    ("," + block.lines[i] if chance(rng, 0.5) else "")
        elif kind == 12:  # a CR inside a value
            if block.lines:
                i = rng.randrange(len(block.lines))
                at = rng.randrange(len(block.lines[i]) + 1)
                block.lines[i] = block.lines[i][:at] + "\r" + block.lines[i][at:]
        elif kind == 13:  # trailing blanks on tuple lines
            for i in range(len(block.lines)):
                if chance(rng, 0.4):
                    block.lines[i] += " "
        else:  # upper-case or accented relation and attribute names
            block.header = rng.choice(["E", "\xc1", "\xe1"]) + block.header[1:]

    def odd_layout(self, program):
        rng = self.rng
        kind = rng.randrange(8)
        if kind == 0:
            program.gap = 0  # relations right after the rules: they are rule lines
        elif kind == 1:
            program.gap = rng.randint(2, 4)
        elif kind == 2:
            program.leading_empty_lines = rng.randint(1, 2)
        elif kind == 3 and program.rules:  # an empty line among the rules ends them early
            program.rules.insert(rng.randrange(len(program.rules)), "")
        elif kind == 4:
            program.blocks = []  # rules only
        elif kind == 5 and program.rules:  # a rule line repeated
            program.rules.append(rng.choice(program.rules))
        elif kind == 6 and program.blocks:  # empty lines after the last block
            program.blocks[-1].gap = rng.randint(0, 3)
        elif program.rules:  # a rule line holding only a NUL byte, or only a blank
            program.rules.insert(rng.randrange(len(program.rules) + 1), rng.choice(["\x00", " ", "\r"]))

    def odd_program(self):
        program = self.well_formed()
        declared = []
        for block in program.blocks:
            name = block.header.split("(")[0]
            width = len(block.lines[0].split(",")) if block.lines else 1
            declared.append(Relation(name, [False] * width, []))
        for _ in range(weighted(self.rng, [(50, 1), (30, 2), (15, 3), (5, 5)])):
            target = weighted(self.rng, [(60, "rule"), (30, "block"), (10, "layout")])
            if target == "rule" and program.rules:
                i = self.rng.randrange(len(program.rules))
                program.rules[i] = self.odd_rule(program.rules[i], declared)
            elif target == "block":
                self.odd_block(program, declared)
            else:
                self.odd_layout(program)
        return program

    def degenerate_text(self):
        rng = self.rng
        return rng.choice([
            "", "\n", "\n\n\n", "\r\n", "\r", "\x00", " ", "\n\ne(a)\n1\n",
            "p(X)<-e(X)", "p(X)<-e(X)\n", "p(X)<-e(X)\n\n", "p(X)<-e(X)\n\ne(a)",
            "p(X)<-e(X)\n\ne(a)\n", "p(X)<-e(X)\n\ne(a)\n1", "\ne(a)\n1\n2\n",
            "p()<-\n\n", "<-\n", "()<-()\n", "p(X)<-X=1\n", "p(X)<-X=1,X=2\n",
            "p(X,Y)<-X=Y\n", "p(X)<-X<1\n", "e(a,b)\n1,2\n", "\n\n\n\ne(a,b)\n1,2\n\n\n",
        ])

    # ----- byte mutations ----------------------------------------------------

    def mutate(self, text):
        rng = self.rng
        data = list(text)
        for _ in range(weighted(self.rng, [(40, 1), (30, 2), (20, 4), (10, 8)])):
            kind = rng.randrange(9)
            at = rng.randrange(len(data) + 1)
            if kind == 0 and data:  # any byte
                data[min(at, len(data) - 1)] = chr(rng.randrange(256))
            elif kind == 1 and data:  # a byte that matters to the reader
                data[min(at, len(data) - 1)] = rng.choice(STRUCTURE_BYTES)
            elif kind == 2:
                data[at:at] = list(rng.choice(MUTATION_TOKENS))
            elif kind == 3 and data:
                del data[at:at + rng.randint(1, 4)]
            elif kind == 4 and data:  # a stretch repeated
                length = rng.randint(1, 20)
                data[at:at] = data[at:at + length]
            elif kind == 5:
                data[at:at] = [chr(rng.randrange(256))]
            else:  # whole lines: swap, drop, repeat
                lines = "".join(data).split("\n")
                if len(lines) > 1:
                    i, j = rng.randrange(len(lines)), rng.randrange(len(lines))
                    shape = rng.randrange(3)
                    if shape == 0:
                        lines[i], lines[j] = lines[j], lines[i]
                    elif shape == 1:
                        del lines[i]
                    else:
                        lines.insert(j, lines[i])
                data = list("\n".join(lines))
        return "".join(data)

    # ----- one program -------------------------------------------------------

    def finish(self, program):
        """Line ends: mostly LF, some files CR LF throughout or in part, now
        and then no line feed after the last line."""
        rng = self.rng
        program.crlf = weighted(rng, [(85, 0.0), (10, 1.0), (5, 0.5)])
        program.final_line_feed = not chance(rng, 0.1)
        return program.render(rng)

    def program(self):
        kind = weighted(self.rng, [(22, "plain"), (24, "recursive"), (34, "odd"),
                                   (3, "degenerate"), (17, "mutated")])
        if kind == "plain":
            return self.finish(self.plain_program())
        if kind == "recursive":
            return self.finish(self.recursive_program())
        if kind == "odd":
            return self.finish(self.odd_program())
        if kind == "degenerate":
            return self.degenerate_text()
        base = self.odd_program() if chance(self.rng, 0.3) else self.well_formed()
        return self.mutate(self.finish(base))


def program_text(seed, number):
    """Program `number` of `seed`."""
    return Generator(random.Random("levezet-differential:%s:%d" % (seed, number))).program()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--seed", required=True, help="any text; the same seed gives the same programs")
    parser.add_argument("--first", type=int, default=1, help="number of the first program (default 1)")
    parser.add_argument("--count", type=int, default=1, help="how many programs (default 1)")
    parser.add_argument("--out", required=True, help="folder the programs are written to")
    arguments = parser.parse_args()
    os.makedirs(arguments.out, exist_ok=True)
    for number in range(arguments.first, arguments.first + arguments.count):
        path = os.path.join(arguments.out, "%07d.txt" % number)
        with open(path, "wb") as file:
            file.write(program_text(arguments.seed, number).encode("latin-1"))


if __name__ == "__main__":
    main()
