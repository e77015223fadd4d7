#include "CAddressApp.h"

#include "AppText.h"
#include "CMainFrame.h"
#include "FileProblem.h"
#include "ImportMode.h"
#include "SessionEnd.h"
#include "SingleInstance.h"
#include "SyncMode.h"
#include "TerminationSignals.h"
#include "core/DataLocation.h"
#include "ui/common/MessageBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>
#include <cstdio>

CAddressApp::CAddressApp() = default;

CAddressApp::~CAddressApp()
{
    // The frame goes first: it may still show a message box about the data file.
    m_sessionEnd.reset();
    m_frame.reset();
    m_signals.reset();
    m_instance.reset();
    MessageBox::setUnattended(false);
}

int CAddressApp::runExitCode() const
{
    return m_frame && m_frame->finalSaveFailed() ? 1 : 0;
}

bool CAddressApp::InstallQtTranslations()
{
    static QTranslator* installed = nullptr;
    if (installed)
        return true;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_ja"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    installed = translator;
    return true;
}

bool CAddressApp::isStartupCommandLine(const QStringList& arguments)
{
    // The command line after the program name, as one text.
    const QString rest = arguments.mid(1).join(u' ');
    return rest.startsWith(QStringLiteral("/Startup"), Qt::CaseSensitive);
}

bool CAddressApp::InitInstance(const QStringList& arguments)
{
    m_instance = std::make_unique<SingleInstance>(DataLocation::addressFilePath());
    if (!m_instance->acquire()) {
        // The running copy shows itself; one that never answers is named, not kept silent.
        // Without a lock two copies could each save their own book over the other's.
        QString text;
        if (m_instance->outcome() == SingleInstance::NoAnswer)
            text = AppText::NoAnswer;
        else if (m_instance->outcome() == SingleInstance::Refused)
            text = AppText::LockRefused.arg(QDir::toNativeSeparators(m_instance->lockPath()),
                                            FileProblem::reason(m_instance->error()));
        if (!text.isEmpty()) {
            m_exitCode = 1;
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
            MessageBox::information(nullptr, text);
        }
        return false;
    }

    const bool startup = isStartupCommandLine(arguments);
    m_frame = std::make_unique<CMainFrame>();
    CMainFrame* frame = m_frame.get();
    QObject::connect(frame, &CMainFrame::exitFinished, qApp, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    m_signals = std::make_unique<TerminationSignals>();
    QObject::connect(m_signals.get(), &TerminationSignals::terminationRequested, frame,
                     &CMainFrame::RequestExit);
    m_sessionEnd = std::make_unique<SessionEnd>(frame);

    // Without a tray nothing could bring back a hidden window, nor, on Wayland, a minimised one.
    if (!startup || !frame->hasTray())
        frame->show();
    if (!frame->hasTray())
        QTimer::singleShot(0, frame, &CMainFrame::ExplainNoTray);

    QObject::connect(m_instance.get(), &SingleInstance::showRequested, frame,
                     &CMainFrame::ShowMainWindow);
    // A script's --import is carried out here, in the book the window holds.
    m_instance->setRequestHandler([frame](const QByteArray& line) {
        // An import or a sync goes into the whole book, never into one still being read.
        if (!line.startsWith("show"))
            frame->WaitForBook();
        if (std::optional<QByteArray> synced = SyncMode::answer(*frame, line))
            return synced;
        return ImportMode::answer(*frame, line);
    });
    m_instance->listen();
    frame->OfferDraftsWhenShown();
    return true;
}
