#pragma once

#include <QDialog>
#include <QList>
#include <memory>
#include <thread>
#include <vector>

class AddressRecord;
class CVOK_AddressDoc;
class QComboBox;

namespace Ui {
class DuplicateFinderDialog;
}

// The book's contacts that seem to be one person, in groups with the reasons, the surest first.
// The user merges a group field by field into its first contact (what is not chosen goes into
// the memo, labelled; one Ctrl+Z takes the merge back) or says it is not a duplicate, which the
// contacts remember. The search runs on a worker thread: the window stays alive meanwhile.
class DuplicateFinderDialog : public QDialog
{
    Q_OBJECT
public:
    explicit DuplicateFinderDialog(CVOK_AddressDoc& doc, QWidget* parent = nullptr);
    ~DuplicateFinderDialog() override;

    bool scanning() const { return m_worker.joinable() && !m_done; }
    int groupCount() const { return int(m_groups.size()); }

signals:
    void scanFinished();

private:
    struct Group
    {
        std::vector<AddressRecord*> members;
        int confidence;
        unsigned reasons;
    };
    struct Scan;

    void startScan();
    void showResult(const std::shared_ptr<Scan>& scan);
    void showGroup(int row);
    void refreshList();
    bool groupStillThere(const Group& group) const;
    void mergeCurrent();
    void notSameCurrent();

    std::unique_ptr<Ui::DuplicateFinderDialog> ui;
    CVOK_AddressDoc& m_doc;
    std::thread m_worker;
    bool m_done = false;
    std::vector<Group> m_groups;
    QList<QComboBox*> m_choices; // beside each row of the field table
    std::vector<int> m_rowField; // the field of each row
};
