// The lyric script filter over any line. The first byte chooses how the line
// is scanned (its value modulo 3): by bytes, as Shift_JIS, or as a double-byte
// system code page; the rest is the line. The output is checked as the ghost
// would read it, by a reader written apart from the filter's own.
#include "fuzz/fuzz_support.h"

#include "timeline/script_filter.h"

#include <cstring>
#include <memory>
#include <string>

using namespace lumivox;

namespace {

// A double-byte system code page unlike Shift_JIS.
bool wide_lead_byte(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

const LeadBytes modes[] = {nullptr, shift_jis_lead_byte, wide_lead_byte};

// Every form the output may hold at a backslash. Braces stand for: {d} one
// digit, {N} a digit 1-9, {D} digits, {I} digits after an optional '-', {L}
// digit groups joined by commas, {P} digits after an optional '@' and '-',
// {H} hex digits after an optional 0x or 0X, {E} letters and digits or '#'
// and digits, {A} characters other than \ [ ] CR LF NUL, {!} no '[' next
// (the ghost would read a bracket form). No two forms match the same text.
const char* const allowed_forms[] = {
    "\\\\",          "\\%",           "\\0",           "\\1",       "\\h",       "\\u",
    "\\4",           "\\5",           "\\C",           "\\e",       "\\_q",      "\\c{!}",
    "\\c[char,{D}]", "\\c[line,{D}]", "\\n{!}",        "\\n[half]", "\\n[{D}]",  "\\_s{!}",
    "\\_s[{L}]",     "\\p{d}",        "\\p[{D}]",      "\\s{d}",    "\\s[{I}]",  "\\b{d}",
    "\\b[{I}]",      "\\i[{D}]",      "\\i[{D},wait]", "\\w{N}",    "\\_w[{D}]", "\\__w[{D}]",
    "\\f[{A}]",      "\\_l[{P},{P}]", "\\_u[{H}]",     "\\_m[{H}]", "\\&[{E}]",
};

struct Reader {
    const unsigned char* text;
    size_t size;
    LeadBytes lead;

    bool at(size_t i, char c) const { return i < size && text[i] == static_cast<unsigned char>(c); }
    bool digit_at(size_t i) const { return i < size && text[i] >= '0' && text[i] <= '9'; }
    bool leads(size_t i) const { return lead != nullptr && text[i] >= 0x80 && lead(text[i]); }
};

size_t digits(const Reader& r, size_t i) {
    size_t start = i;
    while (r.digit_at(i))
        ++i;
    return i > start ? i : std::string::npos;
}

bool hex_at(const Reader& r, size_t i) {
    return i < r.size && std::strchr("0123456789abcdefABCDEF", r.text[i]) != nullptr &&
           r.text[i] != '\0';
}

bool alnum_at(const Reader& r, size_t i) {
    if (i >= r.size)
        return false;
    unsigned char c = r.text[i];
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Where placeholder p, read at i, ends; npos when it does not match.
size_t placeholder(const Reader& r, size_t i, char p) {
    switch (p) {
    case 'd':
        return r.digit_at(i) ? i + 1 : std::string::npos;
    case 'N':
        return r.digit_at(i) && r.text[i] != '0' ? i + 1 : std::string::npos;
    case 'D':
        return digits(r, i);
    case 'I':
        return digits(r, r.at(i, '-') ? i + 1 : i);
    case 'L':
        for (i = digits(r, i); i != std::string::npos && r.at(i, ',');)
            i = digits(r, i + 1);
        return i;
    case 'P':
        if (r.at(i, '@'))
            ++i;
        if (r.at(i, '-'))
            ++i;
        return digits(r, i);
    case 'H': {
        if (r.at(i, '0') && (r.at(i + 1, 'x') || r.at(i + 1, 'X')))
            i += 2;
        size_t start = i;
        while (hex_at(r, i))
            ++i;
        return i > start ? i : std::string::npos;
    }
    case 'E': {
        if (r.at(i, '#'))
            return digits(r, i + 1);
        size_t start = i;
        while (alnum_at(r, i))
            ++i;
        return i > start ? i : std::string::npos;
    }
    case 'A': {
        size_t start = i;
        while (i < r.size && std::strchr("\\[]\r\n", r.text[i]) == nullptr && r.text[i] != '\0')
            i += r.leads(i) && i + 1 < r.size ? 2 : 1;
        return i > start ? i : std::string::npos;
    }
    case '!':
        return r.at(i, '[') ? std::string::npos : i;
    }
    fuzz::require(false, "a known placeholder");
    return std::string::npos;
}

size_t match_form(const Reader& r, size_t i, const char* form) {
    for (const char* f = form; *f != '\0' && i != std::string::npos; ++f) {
        if (*f == '{') {
            i = placeholder(r, i, f[1]);
            f += 2;
        } else {
            i = r.at(i, *f) ? i + 1 : std::string::npos;
        }
    }
    return i;
}

// Reads the output as the ghost would: a lead byte and whatever follows it
// are one character, and every backslash must begin an allowed form.
void check_output(const Reader& r) {
    size_t i = 0;
    while (i < r.size) {
        unsigned char c = r.text[i];
        fuzz::require(c != '\r' && c != '\n', "no CR or LF reaches the request");
        if (r.leads(i)) {
            fuzz::require(i + 1 < r.size, "no lead byte is left to pair with what follows");
            i += 2;
        } else if (c == '\\') {
            size_t end = std::string::npos;
            for (const char* form : allowed_forms) {
                end = match_form(r, i, form);
                if (end != std::string::npos)
                    break;
            }
            fuzz::require(end != std::string::npos, "every backslash begins an allowed tag");
            i = end;
        } else {
            ++i;
        }
    }
}

// Filters into a heap buffer of exactly the promised size.
std::unique_ptr<char[]> filter(const char* text, uint32_t length, LeadBytes lead,
                               uint32_t& written) {
    std::unique_ptr<char[]> out(new char[2 * static_cast<size_t>(length) + 1]);
    written = filter_lyric_script(text, length, lead, out.get());
    fuzz::require(written <= 2 * static_cast<size_t>(length), "at most twice the input");
    fuzz::require(out[written] == '\0', "a NUL after the output");
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    LeadBytes lead = modes[data[0] % 3];
    auto length = static_cast<uint32_t>(size - 1);
    // Exactly the line's bytes, no NUL: the filter goes by the length.
    std::unique_ptr<char[]> line(new char[length == 0 ? 1 : length]);
    std::memcpy(line.get(), data + 1, length);

    uint32_t once_length = 0;
    std::unique_ptr<char[]> once = filter(line.get(), length, lead, once_length);
    check_output({reinterpret_cast<const unsigned char*>(once.get()), once_length, lead});

    uint32_t twice_length = 0;
    std::unique_ptr<char[]> twice = filter(once.get(), once_length, lead, twice_length);
    fuzz::require(twice_length == once_length &&
                      std::memcmp(once.get(), twice.get(), once_length) == 0,
                  "filtering twice changes nothing more");
    return 0;
}
