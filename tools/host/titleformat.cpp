#include "tools/host/titleformat.h"

#include <cctype>

namespace lumivox::tools {

enum class NodeKind { literal, field, optional, function };

struct FormatNode {
    NodeKind kind;
    std::string text; // literal text, field name or function name
    std::vector<std::vector<std::shared_ptr<FormatNode>>> arguments; // [...] has one
};

namespace {

using Sequence = std::vector<std::shared_ptr<FormatNode>>;

struct Parser {
    const std::string& s;
    size_t pos = 0;
    std::string error;

    bool fail(const std::string& why) {
        if (error.empty())
            error = why + " at offset " + std::to_string(pos);
        return false;
    }

    // Parses until one of the stop characters (not consumed) or the end.
    bool sequence(Sequence& out, const std::string& stops) {
        std::string literal;
        auto flush = [&] {
            if (!literal.empty())
                out.push_back(
                    std::make_shared<FormatNode>(FormatNode{NodeKind::literal, literal, {}}));
            literal.clear();
        };
        while (pos < s.size()) {
            char c = s[pos];
            if (stops.find(c) != std::string::npos)
                break;
            if (c == '\'') {
                size_t end = s.find('\'', pos + 1);
                if (end == std::string::npos)
                    return fail("unterminated quote");
                if (end == pos + 1)
                    literal += '\''; // '' is a quote character
                else
                    literal += s.substr(pos + 1, end - pos - 1);
                pos = end + 1;
            } else if (c == '%') {
                size_t end = s.find('%', pos + 1);
                if (end == std::string::npos)
                    return fail("unterminated field");
                flush();
                out.push_back(std::make_shared<FormatNode>(
                    FormatNode{NodeKind::field, s.substr(pos + 1, end - pos - 1), {}}));
                pos = end + 1;
            } else if (c == '[') {
                flush();
                ++pos;
                Sequence inner;
                if (!sequence(inner, "]"))
                    return false;
                if (pos >= s.size())
                    return fail("missing ]");
                ++pos;
                out.push_back(
                    std::make_shared<FormatNode>(FormatNode{NodeKind::optional, "", {inner}}));
            } else if (c == ']') {
                return fail("unexpected ]");
            } else if (c == '$') {
                flush();
                if (!function(out))
                    return false;
            } else {
                literal += c;
                ++pos;
            }
        }
        flush();
        return true;
    }

    bool function(Sequence& out) {
        size_t start = ++pos;
        while (pos < s.size() &&
               (std::isalnum(static_cast<unsigned char>(s[pos])) || s[pos] == '_'))
            ++pos;
        std::string name = s.substr(start, pos - start);
        for (char& ch : name)
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (pos >= s.size() || s[pos] != '(')
            return fail("missing ( after $" + name);
        ++pos;
        FormatNode node{NodeKind::function, name, {}};
        for (;;) {
            Sequence argument;
            if (!sequence(argument, ",)"))
                return false;
            if (pos >= s.size())
                return fail("missing ) after $" + name);
            node.arguments.push_back(argument);
            if (s[pos++] == ')')
                break;
        }
        size_t n = node.arguments.size();
        bool known = (name == "if" && (n == 2 || n == 3)) || (name == "if2" && n == 2) ||
                     ((name == "upper" || name == "lower") && n == 1);
        if (!known)
            return fail("unknown function $" + name + " with " + std::to_string(n) + " arguments");
        out.push_back(std::make_shared<FormatNode>(node));
        return true;
    }
};

struct Value {
    std::string text;
    bool found = false; // a field inside had a value
};

Value evaluate(const Sequence& nodes, const FieldLookup& lookup, const FieldFilter& filter);

Value evaluate_node(const FormatNode& node, const FieldLookup& lookup, const FieldFilter& filter) {
    switch (node.kind) {
    case NodeKind::literal:
        return {node.text, false};
    case NodeKind::field: {
        const char* value = lookup(node.text);
        if (value == nullptr)
            return {"", false};
        return {filter(value), true};
    }
    case NodeKind::optional: {
        Value inner = evaluate(node.arguments[0], lookup, filter);
        return inner.found ? Value{inner.text, false} : Value{};
    }
    case NodeKind::function:
        break;
    }
    const auto& a = node.arguments;
    if (node.text == "if") {
        if (evaluate(a[0], lookup, filter).found)
            return evaluate(a[1], lookup, filter);
        return a.size() == 3 ? evaluate(a[2], lookup, filter) : Value{};
    }
    if (node.text == "if2") {
        Value first = evaluate(a[0], lookup, filter);
        return first.found ? first : evaluate(a[1], lookup, filter);
    }
    Value v = evaluate(a[0], lookup, filter);
    for (char& ch : v.text) {
        auto u = static_cast<unsigned char>(ch);
        ch = static_cast<char>(node.text == "upper" ? std::toupper(u) : std::tolower(u));
    }
    return v;
}

Value evaluate(const Sequence& nodes, const FieldLookup& lookup, const FieldFilter& filter) {
    Value result;
    for (const auto& node : nodes) {
        Value v = evaluate_node(*node, lookup, filter);
        result.text += v.text;
        result.found = result.found || v.found;
    }
    return result;
}

} // namespace

bool compile_title_format(const std::string& script, CompiledFormat& out, std::string& error) {
    Parser parser{script, 0, {}};
    Sequence nodes;
    if (!parser.sequence(nodes, "")) {
        error = parser.error;
        return false;
    }
    out.nodes = nodes;
    return true;
}

std::string format_title(const CompiledFormat& format, const FieldLookup& lookup,
                         const FieldFilter& filter) {
    return evaluate(format.nodes, lookup, filter).text;
}

} // namespace lumivox::tools
