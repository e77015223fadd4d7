#include "PrintDialog.h"

#include "PrintSetup.h"
#include "PrintUiText.h"
#include "print/AddressPrinter.h"
#include "ui_PrintDialog.h"

namespace {

double PrintSettings::Sheet::*const kSheetFields[] = {
    &PrintSettings::Sheet::leftMm,   &PrintSettings::Sheet::topMm,
    &PrintSettings::Sheet::widthMm,  &PrintSettings::Sheet::heightMm,
    &PrintSettings::Sheet::pitchXMm, &PrintSettings::Sheet::pitchYMm};

} // namespace

PrintDialog::PrintDialog(std::vector<const AddressRecord*> records, const QString& what,
                         QWidget* parent)
    : QDialog(parent), ui(new Ui::PrintDialog), m_records(std::move(records)),
      m_settings(PrintSettings::load())
{
    ui->setupUi(this);
    setWindowTitle(PrintUiText::DialogTitle);
    ui->whatLabel->setText(what);
    ui->paperGroup->setTitle(PrintUiText::PaperGroup);
    ui->postcardRadio->setText(PrintUiText::Postcard);
    ui->label12Radio->setText(PrintUiText::Label12);
    ui->label24Radio->setText(PrintUiText::Label24);
    ui->addressGroup->setTitle(PrintUiText::AddressGroup);
    ui->homeRadio->setText(PrintUiText::Home);
    ui->officeRadio->setText(PrintUiText::Office);
    ui->guidesCheck->setText(PrintUiText::Guides);
    ui->sheetGroup->setTitle(PrintUiText::SheetGroup);
    ui->leftLabel->setText(PrintUiText::SheetLeft);
    ui->topLabel->setText(PrintUiText::SheetTop);
    ui->widthLabel->setText(PrintUiText::SheetWidth);
    ui->heightLabel->setText(PrintUiText::SheetHeight);
    ui->pitchXLabel->setText(PrintUiText::SheetPitchX);
    ui->pitchYLabel->setText(PrintUiText::SheetPitchY);
    ui->defaultsButton->setText(PrintUiText::SheetDefaults);
    ui->previewButton->setText(PrintUiText::Preview);
    ui->pdfButton->setText(PrintUiText::Pdf);
    ui->cancelButton->setText(PrintUiText::Cancel);

    const QList<QDoubleSpinBox*> spins = sheetSpins();
    for (int i = 0; i < spins.size(); ++i) {
        const bool margin = i < 2;
        spins[i]->setRange(margin ? 0.0 : PrintSetup::MinLabelMm,
                           margin ? PrintSetup::MaxMarginMm : PrintSetup::MaxLabelMm);
    }

    QRadioButton* layouts[] = {ui->postcardRadio, ui->label12Radio, ui->label24Radio};
    layouts[std::clamp(m_settings.layout, 0, 2)]->setChecked(true);
    (m_settings.office ? ui->officeRadio : ui->homeRadio)->setChecked(true);
    ui->guidesCheck->setChecked(m_settings.guides);
    onLayoutChosen();

    for (QRadioButton* radio : layouts)
        connect(radio, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                onLayoutChosen();
        });
    connect(ui->officeRadio, &QRadioButton::toggled, this, &PrintDialog::updateCount);
    connect(ui->defaultsButton, &QPushButton::clicked, this, &PrintDialog::onDefaults);
    connect(ui->previewButton, &QPushButton::clicked, this, [this] { finish(Action::Preview); });
    connect(ui->pdfButton, &QPushButton::clicked, this, [this] { finish(Action::Pdf); });
    connect(ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

PrintDialog::~PrintDialog() = default;

QList<QDoubleSpinBox*> PrintDialog::sheetSpins() const
{
    return {ui->leftSpin,   ui->topSpin,    ui->widthSpin,
            ui->heightSpin, ui->pitchXSpin, ui->pitchYSpin};
}

PrintSettings::Sheet& PrintDialog::chosenSheet()
{
    return m_shownLayout == PrintSettings::Label24 ? m_settings.label24 : m_settings.label12;
}

QList<Addressee> PrintDialog::addressees() const
{
    return PrintSetup::addressees(m_records,
                                  m_settings.office ? AddressKind::Office : AddressKind::Home);
}

void PrintDialog::takeChoices()
{
    m_settings.layout = ui->label24Radio->isChecked()   ? PrintSettings::Label24
                        : ui->label12Radio->isChecked() ? PrintSettings::Label12
                                                        : PrintSettings::Postcard;
    m_settings.office = ui->officeRadio->isChecked();
    m_settings.guides = ui->guidesCheck->isChecked();
    // The spin boxes hold the sheet last shown, which may not be the chosen one.
    if (m_shownLayout != PrintSettings::Postcard) {
        PrintSettings::Sheet& sheet = chosenSheet();
        const QList<QDoubleSpinBox*> spins = sheetSpins();
        for (int i = 0; i < spins.size(); ++i)
            sheet.*kSheetFields[i] = spins[i]->value();
    }
}

void PrintDialog::showSheet()
{
    // Postcards show the 12-label sheet greyed, rather than empty boxes.
    ui->sheetGroup->setEnabled(m_shownLayout != PrintSettings::Postcard);
    const PrintSettings::Sheet& sheet = chosenSheet();
    const QList<QDoubleSpinBox*> spins = sheetSpins();
    for (int i = 0; i < spins.size(); ++i)
        spins[i]->setValue(sheet.*kSheetFields[i]);
}

void PrintDialog::onLayoutChosen()
{
    if (m_shownLayout >= 0)
        takeChoices(); // keeps the edits of the sheet shown so far
    m_shownLayout = ui->label24Radio->isChecked()   ? PrintSettings::Label24
                    : ui->label12Radio->isChecked() ? PrintSettings::Label12
                                                    : PrintSettings::Postcard;
    showSheet();
    updateCount();
}

void PrintDialog::onDefaults()
{
    chosenSheet() = PrintSettings::defaultSheet(PrintSettings::Layout(m_shownLayout));
    showSheet();
}

void PrintDialog::updateCount()
{
    takeChoices();
    int skipped = 0;
    const QList<Addressee> list = PrintSetup::addressees(
        m_records, m_settings.office ? AddressKind::Office : AddressKind::Home, &skipped);
    QString text;
    if (list.isEmpty()) {
        text = PrintUiText::NothingToPrint;
    } else {
        const AddressPrinter printer(PrintSetup::options(m_settings), Sender());
        text = PrintUiText::Pages.arg(list.size()).arg(printer.pageCount(list.size()));
    }
    if (skipped > 0)
        text += u'\n' + PrintUiText::Skipped.arg(skipped);
    ui->countLabel->setText(text);
    ui->previewButton->setEnabled(!list.isEmpty());
    ui->pdfButton->setEnabled(!list.isEmpty());
}

void PrintDialog::finish(Action action)
{
    takeChoices();
    m_action = action;
    accept();
}
