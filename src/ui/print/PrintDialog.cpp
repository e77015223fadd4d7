#include "PrintDialog.h"

#include "PrintSetup.h"
#include "PrintUiText.h"
#include "model/book/ContactExtras.h"
#include "print/AddressPrinter.h"
#include "print/PostcardPage.h"
#include "settings/SenderSettings.h"
#include "ui_PrintDialog.h"

#include <QDate>

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
    ui->nengaGroup->setTitle(PrintUiText::NengaGroup);
    ui->filterLabel->setText(PrintUiText::FilterLabel);
    ui->filterCombo->addItems({PrintUiText::FilterEveryone, PrintUiText::FilterNenga,
                               PrintUiText::FilterOnlySend, PrintUiText::FilterReturns});
    ui->yearLabel->setText(PrintUiText::YearLabel);
    ui->yearSpin->setRange(2000, 2100);
    ui->yearSpin->setSuffix(PrintUiText::YearSuffix);
    const QDate today = QDate::currentDate();
    ui->yearSpin->setValue(ContactExtras::nengaYear(today.year(), today.month()));
    ui->honorificLabel->setText(PrintUiText::HonorificLabel);
    ui->honorificCombo->addItem(PrintUiText::HonorificEach);
    ui->honorificCombo->addItems(PrintUiText::HonorificChoices);
    ui->honorificCombo->addItem(PrintUiText::HonorificNone);
    ui->offsetGroup->setTitle(PrintUiText::OffsetGroup);
    ui->offsetXLabel->setText(PrintUiText::OffsetX);
    ui->offsetYLabel->setText(PrintUiText::OffsetY);
    ui->calibrateButton->setText(PrintUiText::Calibrate);
    for (QDoubleSpinBox* spin : {ui->offsetXSpin, ui->offsetYSpin})
        spin->setRange(-PrintSettings::MaxOffsetMm, PrintSettings::MaxOffsetMm);
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
    connect(ui->filterCombo, &QComboBox::currentIndexChanged, this, &PrintDialog::updateCount);
    connect(ui->yearSpin, &QSpinBox::valueChanged, this, &PrintDialog::updateCount);
    connect(ui->calibrateButton, &QPushButton::clicked, this, [this] {
        takeChoices();
        if (onCalibrate)
            onCalibrate(options());
    });
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

PrintRun::Choice PrintDialog::choice() const
{
    PrintRun::Choice c;
    c.kind = ui->officeRadio->isChecked() ? AddressKind::Office : AddressKind::Home;
    c.year = year();
    const int filter = ui->filterCombo->currentIndex();
    c.filter = filter == 2   ? PrintRun::Filter::OnlySend
               : filter == 3 ? PrintRun::Filter::Returns
                             : PrintRun::Filter::Everyone;
    return c;
}

std::optional<int> PrintDialog::year() const
{
    if (ui->filterCombo->currentIndex() <= 0)
        return std::nullopt;
    return ui->yearSpin->value();
}

PrintRun PrintDialog::run() const
{
    return PrintRun(m_records, choice());
}

PrintOptions PrintDialog::options() const
{
    PrintOptions o = PrintSetup::options(m_settings);
    const int honorific = ui->honorificCombo->currentIndex();
    if (honorific > 0 && honorific <= PrintUiText::HonorificChoices.size())
        o.honorific = PrintUiText::HonorificChoices[honorific - 1];
    else if (honorific > PrintUiText::HonorificChoices.size())
        o.honorific = QString();
    return o;
}

void PrintDialog::takeChoices()
{
    m_settings.layout = ui->label24Radio->isChecked()   ? PrintSettings::Label24
                        : ui->label12Radio->isChecked() ? PrintSettings::Label12
                                                        : PrintSettings::Postcard;
    m_settings.office = ui->officeRadio->isChecked();
    m_settings.guides = ui->guidesCheck->isChecked();
    if (m_shownLayout >= 0 && m_shownLayout < 3) {
        m_settings.offsets[m_shownLayout] = {ui->offsetXSpin->value(), ui->offsetYSpin->value()};
    }
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
    ui->offsetXSpin->setValue(m_settings.offsets[m_shownLayout].xMm);
    ui->offsetYSpin->setValue(m_settings.offsets[m_shownLayout].yMm);
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
    ui->yearSpin->setEnabled(ui->filterCombo->currentIndex() > 0);
    const PrintRun printRun = run();
    const QList<Addressee>& list = printRun.addressees();
    QString text;
    const PrintOptions printOptions = options();
    if (list.isEmpty()) {
        text = PrintUiText::NothingToPrint;
    } else {
        const AddressPrinter printer(printOptions, Sender());
        text = PrintUiText::Pages.arg(list.size()).arg(printer.pageCount(list.size()));
    }
    QStringList notes;
    if (!PrintSetup::fontInstalled(m_settings.fontFamily))
        notes << PrintUiText::FontMissing.arg(m_settings.fontFamily);
    notes << PrintSetup::notes(printRun);
    if (printOptions.layout == PrintLayout::Postcard) {
        // The cards whose address would be set too small, with the sender's real room.
        const PostcardPage card(printOptions, PrintSetup::sender(SenderSettings::load()));
        QStringList small;
        for (qsizetype i = 0; i < list.size(); ++i) {
            if (card.belowMinimum(list[i]))
                small << PrintUiText::NoteLine.arg(
                    PrintRun::nameOf(*printRun.printed()[std::size_t(i)]),
                    PrintUiText::TooSmall.arg(printOptions.minimumAddressSizeMm, 0, 'f', 1));
        }
        if (!small.isEmpty())
            notes << PrintUiText::WarningCount.arg(small.size()) << small;
    }
    ui->countLabel->setText(text);
    ui->leftOutText->setPlainText(notes.join(u'\n'));
    ui->leftOutText->setVisible(!notes.isEmpty());
    ui->previewButton->setEnabled(!list.isEmpty());
    ui->pdfButton->setEnabled(!list.isEmpty());
}

void PrintDialog::finish(Action action)
{
    takeChoices();
    m_action = action;
    accept();
}
