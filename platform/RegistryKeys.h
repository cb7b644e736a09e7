#pragma once

#include <QString>

#include <string>

// How registry keys and value names compare, shared by every registry backend.
namespace platform::registry {

// Keys compare as registry keys do: without regard to case, and with the
// separators around and between the parts not mattering.
QString FoldKey(const std::string& key);
QString FoldName(const std::string& name);

// Stored text is Unicode: bytes that are not UTF-8 would come back changed,
// so they are refused instead.
bool IsUtf8(const std::string& text);

} // namespace platform::registry
