// Writes a demo address book for trying the program out or taking pictures of it:
//   make_demo_book DIR [COUNT]
// DIR/Address.vok gets COUNT generated contacts (60 unless given), named from common Japanese
// surnames and given names (the first one 山田 太郎); every seventh gets a 敬称 and a 連名 in
// DIR/Address.vok.extra, which also lists the user groups they use (as do the current user's
// settings, $XDG_CONFIG_HOME), so the tree lists them. Run the program with
// VOK_ADDRESS_DIR=DIR to open it.
#include "AddressBookGenerator.h"
#include "model/book/AddressRecord.h"
#include "model/book/BookSnapshot.h"
#include "model/book/ContactExtras.h"
#include "model/book/RecordList.h"
#include "model/storage/AddressFile.h"
#include "model/storage/CompanionFile.h"
#include "model/text/Cp932.h"
#include "settings/GroupStore.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s DIR [COUNT]\n", argv[0]);
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const long count = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 60;
    if (count < 0 || !QDir().mkpath(dir)) {
        std::fprintf(stderr, "%s: cannot use %s\n", argv[0], argv[1]);
        return 1;
    }

    RecordList list;
    AddressBookGenerator generator;
    generator.setCommonNames(true);
    generator.fill(list, std::size_t(count));
    // The name of every example, to be found among the others.
    if (count > 0)
        list.at(0)->setField(AddressRecord::Name, Cp932::fromUtf8("山田　太郎").bytes);
    for (std::size_t i = 0; i < list.size(); ++i) {
        list.at(i)->setUid(ContactUid::generate());
        if (i % 7 == 3) {
            ContactExtras x;
            x.honorific = i % 2 ? "先生" : "";
            x.jointNames = {{"花子", "", "はなこ"}};
            list.at(i)->setExtras(x);
        }
    }
    // The fixed groups are always in the tree; the others are the user's.
    const auto groups = AddressBookGenerator::groupNames();
    std::vector<std::string> userGroups;
    for (std::size_t i = 3; i < groups.size(); ++i) {
        userGroups.push_back(Cp932::toUtf8(groups[i]));
        GroupStore::add(QString::fromStdString(userGroups.back()));
    }
    const std::string path = QDir(dir).filePath(QStringLiteral("Address.vok")).toStdString();
    const BookSnapshot snapshot(list, 1, 1, userGroups);
    if (AddressFile::Save(path, list) != AddressFile::Status::Ok ||
        !CompanionFile::Save(CompanionFile::pathFor(path), snapshot, {}, false)) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], path.c_str());
        return 1;
    }
    std::printf("%s: %ld contacts\n", path.c_str(), count);
    return 0;
}
