#pragma once

#include <QString>

// Every text of the command-line modes. Scripts and their users may read either language, so
// the help is in both.
namespace CommandLineText {

inline const QString Usage =
    QStringLiteral("使い方 / Usage:\n"
                   "  VOK_Address                 アドレス帳を開く / open the address book\n"
                   "  VOK_Address --help          この説明 / this help\n");

inline const QString UnknownOption =
    QStringLiteral("VOK_Address: 不明なオプションです / unknown option: %1\n");

} // namespace CommandLineText
