#include "app/uUtil.h"

#include "core/UserDialogs.h"
#include "data/uDM.h"

#include <array>

const QString PasswordKey = QStringLiteral("Vqlmrza Tzbxoqkp Wyndarfe");

namespace {

// Windows-1252 bytes 0x80..0x9F; the five the code page leaves undefined map
// to the C1 control characters of the same value, as Windows itself does.
constexpr std::array<char16_t, 32> Cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QChar FromCp1252(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return QChar(Cp1252High[byte - 0x80]);
    return QChar(byte);
}

// A character the code page cannot hold becomes '?', as an ANSI conversion
// would make it; it then simply never matches.
unsigned char ToCp1252(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return static_cast<unsigned char>(u);
    for (int i = 0; i < 32; ++i)
        if (Cp1252High[size_t(i)] == u)
            return static_cast<unsigned char>(0x80 + i);
    return '?';
}

QString Shift(const QString& text, const QString& key, int direction)
{
    QString result;
    result.reserve(text.size());
    if (key.size() < 3)
        return text;
    int position = 1;
    for (QChar c : text) {
        const int k = ToCp1252(key.at(position - 1));
        const int value = (ToCp1252(c) + direction * k + 256) % 256;
        result += FromCp1252(static_cast<unsigned char>(value));
        ++position;
        if (position == key.size() - 1)
            position = 1;
    }
    return result;
}

// Blanks and control characters off both ends.
QString TrimBlanks(const QString& text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text.at(begin).unicode() <= ' ')
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= ' ')
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

QString LoggedOnUserName(platform::ISystemInfo& systemInfo)
{
    return QString::fromStdString(systemInfo.LoggedOnUserName());
}

bool IsAllowedUser(TDM& dm, const QString& userName)
{
    TTable* users = dm.cdsUsuarios;
    for (users->First(); !users->Eof(); users->Next())
        if (dm.cdsUsuariosNome->AsString() == userName)
            return true;
    return false;
}

QColor CurrentDetailColor(TDM& dm)
{
    const int value = dm.Setting(dm.cdsConfigDetailColor).AsInteger();
    if (value <= 0)
        return Qt::black;
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

QString ScramblePassword(const QString& text, const QString& key)
{
    return Shift(text, key, +1);
}

QString UnscramblePassword(const QString& text, const QString& key)
{
    return Shift(text, key, -1);
}

bool PasswordIsSet(TDM& dm)
{
    return !TrimBlanks(UnscramblePassword(dm.Setting(dm.cdsConfigSenhaSeguranca).AsString(), PasswordKey)).isEmpty();
}

bool CheckSecurityPassword(TDM& dm)
{
    if (!PasswordIsSet(dm))
        return true;
    return UserDialogs().AskSecurityPassword();
}
