#pragma once

#include "platform/Platform.h"

#include <QColor>
#include <QString>

class TDM;

// The program's shared routines.

// The name of the user the program runs as.
QString LoggedOnUserName(platform::ISystemInfo& systemInfo);

// True when `userName` is one of the users allowed to go online (exact,
// case-sensitive match with a Nome of cdsUsuarios).
bool IsAllowedUser(TDM& dm, const QString& userName);

// The accent colour of window details: DetailColor read as RGB (red in the
// low byte), black when it is 0 or less or the settings cannot be read.
QColor CurrentDetailColor(TDM& dm);

// ---- The security password ----

// The fixed key of the scrambling pair. Never shown, never compared.
extern const QString PasswordKey;

// The pair works on the text as 8-bit characters of the Windows-1252 code page
// (the form the stored settings have always had): each character is shifted
// by the key character at the key position, modulo 256, the key position
// cycling through 1 .. length − 2. Characters are mapped between Unicode and
// that code page in both directions, so a stored value read back from a
// Unicode file (where the byte 0x80 became '€') unscrambles to what was set.
QString ScramblePassword(const QString& text, const QString& key);
QString UnscramblePassword(const QString& text, const QString& key);

// True when a security password is set (it unscrambles to more than blanks).
bool PasswordIsSet(TDM& dm);

// The gate of every protected command: true at once when no password is set,
// otherwise the answer of the password prompt.
bool CheckSecurityPassword(TDM& dm);
