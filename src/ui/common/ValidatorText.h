#pragma once

#include <QString>

// What the byte-limit validator tells the user beside a field.
namespace ValidatorText {

inline const QString CannotHoldChar = QStringLiteral("「%1」は使えない文字です");
// Between several refused characters in CannotHoldChar: 「😀」「𠮷」.
inline const QString CharSeparator = QStringLiteral("」「");
inline const QString LimitReached = QStringLiteral("%1バイトまでしか入力できません");

} // namespace ValidatorText
