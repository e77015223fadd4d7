#pragma once

#include <QString>

// Every user-visible text of the application shell.
namespace AppText {

inline const QString Title = QStringLiteral("VOK_Address - VOK System");
inline const QString AppName = QStringLiteral("VOK_Address");
inline const QString LoadFailed =
    QStringLiteral("アドレスデータの読み込みに失敗しました。管理者に連絡して下さい。");
inline const QString SaveFailed =
    QStringLiteral("アドレスデータの保存に失敗しました。管理者に連絡して下さい。");
inline const QString NoDisplay = QStringLiteral(
    "VOK_Address needs a graphical display, and none was found (DISPLAY and WAYLAND_DISPLAY are "
    "unset).\nStart it from a desktop session, or under a virtual display: xvfb-run -a %1\n");

} // namespace AppText
