#include "app/QtGbk.h"

#include "text/Gbk.h"

namespace rongfan {

QString FromGbk(std::string_view gbk) {
    if (gbk.empty()) return {};
    // Plain ASCII (addresses, numbers) is the common case and needs no converter.
    bool ascii = true;
    for (const char c : gbk) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) return QString::fromLatin1(gbk.data(), static_cast<qsizetype>(gbk.size()));
    const std::string utf8 = GbkToUtf8(gbk);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string ToGbk(const QString& text) {
    if (text.isEmpty()) return {};
    const QByteArray utf8 = text.toUtf8();
    return Utf8ToGbk(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

}  // namespace rongfan
