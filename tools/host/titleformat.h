// A subset of the player's title-formatting language, enough for the default
// next-song script and what users commonly write: %field%, [...], '...',
// $if(c,a,b), $if2(a,b), $upper(x), $lower(x).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lumivox::tools {

struct FormatNode;

struct CompiledFormat {
    std::vector<std::shared_ptr<FormatNode>> nodes;
};

// False (with a reason) when the script does not parse.
bool compile_title_format(const std::string& script, CompiledFormat& out, std::string& error);

// lookup(name) gives a field's value, or nullptr when the track has none.
// filter is applied to every field value put into the result.
using FieldLookup = std::function<const char*(const std::string& name)>;
using FieldFilter = std::function<std::string(const std::string& value)>;
std::string format_title(const CompiledFormat& format, const FieldLookup& lookup,
                         const FieldFilter& filter);

} // namespace lumivox::tools
