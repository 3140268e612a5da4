// A track line's field value written "@FILE": the file's content, byte for
// byte, stands for the value, so that long or multi-line tags (lyrics above
// all) can be given to the component.
#pragma once

#include <string>

namespace lumivox::tools {

// value as the scenario wrote it for the field name: unchanged, or for
// "@FILE" the bytes of FILE. False with a reason naming the file when it
// cannot be read.
bool field_value(const std::string& name, const std::string& value, std::string& out,
                 std::string& error);

} // namespace lumivox::tools
