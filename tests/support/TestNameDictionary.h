#pragma once

#include "TestEnv.h"
#include "model/search/ReadingDictionary.h"

#include <QFile>
#include <memory>

// A name dictionary of the tests' own, so that guessed readings do not depend on what is
// installed: 山田 やまだ, 太郎 たろう, 佐藤 さとう, 花子 はなこ.
inline std::shared_ptr<const ReadingDictionary> testNameDictionary()
{
    const QString path = TestEnv::root() + QStringLiteral("/jinmei.utf8");
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(";; -*- coding: utf-8 -*-\n"
                   "やまだ /山田;姓/\nたろう /太郎;名/\nさとう /佐藤;姓/\nはなこ /花子;名/\n");
    return std::make_shared<const ReadingDictionary>(QFile::encodeName(path).toStdString(),
                                                     std::string());
}
