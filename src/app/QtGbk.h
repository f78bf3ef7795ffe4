#pragma once
// The edge between the engine's GBK texts and Qt's UTF-16 strings.
#include <QString>
#include <string>
#include <string_view>

namespace rongfan {

// GBK bytes shown in a widget; a byte sequence that is not GBK shows as U+FFFD.
QString FromGbk(std::string_view gbk);
// A widget's text as GBK; a character GBK lacks becomes "?".
std::string ToGbk(const QString& text);

}  // namespace rongfan
