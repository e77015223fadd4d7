#pragma once

#include <QDialog>
#include <QString>

class AddressRecord;
class AddresseePage;
class COfficePage;
class CPrivatePage;
class QDialogButtonBox;
class QTabWidget;
class SheetHeader;

// The contact sheet "管理情報": the personal and the office page, the 宛名 page (how postcards
// address the contact), OK and Cancel. It opens with the focus in the first field of the page
// shown, wholly on the screen.
class CInfomationSheet : public QDialog
{
    Q_OBJECT
public:
    explicit CInfomationSheet(QWidget* parent = nullptr);

    void SetHeaderText(const QString& text);

    CPrivatePage& privatePage() const { return *m_privatePage; }
    COfficePage& officePage() const { return *m_officePage; }
    AddresseePage& addresseePage() const { return *m_addresseePage; }
    QTabWidget* tabs() const { return m_tabs; }
    QDialogButtonBox* buttons() const { return m_buttons; }

    // The sixteen fields and the extras between a record and the page members.
    void LoadRecord(const AddressRecord& record);
    void StoreRecord(AddressRecord& record) const;
    // What the sheet holds now, typed but not confirmed: the fields into record, and the
    // reading and the copy box into the private page's members.
    void StoreDraft(AddressRecord& record);

    // Reads every page, also those never opened; a refused value keeps the sheet open on its
    // page with the message.
    void OnOK();

    // Closed by the program rather than by the user (Cancel, Escape, the title bar's button):
    // the program is ending.
    bool closedFromOutside() const { return m_closedFromOutside; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Moves the sheet so that its frame, title bar first, lies within the screen's work area.
    void keepOnScreen();

    CPrivatePage* m_privatePage;
    COfficePage* m_officePage;
    AddresseePage* m_addresseePage;
    QTabWidget* m_tabs;
    QDialogButtonBox* m_buttons;
    SheetHeader* m_header = nullptr;
    bool m_initialised = false;
    bool m_closedFromOutside = false;
};
