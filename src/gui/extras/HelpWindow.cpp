#include "gui/extras/HelpWindow.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHash>
#include <QKeyEvent>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

#include "gui/common/ProgramResources.h"
#include "gui/common/WindowPlacement.h"

namespace gui {
namespace {

constexpr const char* kHelpFolder = ":/velmora/help";

} // namespace

HelpWindow::HelpWindow(QWidget* parent) : ToolWindow(parent, Qt::Tool)
{
    InitProgramResources();
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QString::fromLatin1(kTitle));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(760, 560);

    m_browser = new QTextBrowser(this);
    m_browser->setSearchPaths({QString::fromLatin1(kHelpFolder)});
    // Links to the web leave the help for the desktop's browser.
    m_browser->setOpenExternalLinks(true);

    auto button = [this](const QString& text, const QString& tip) {
        auto* b = new QToolButton(this);
        b->setText(text);
        b->setToolTip(tip);
        b->setAutoRaise(true);
        return b;
    };
    m_back = button(QStringLiteral("\u25C0 Back"), QStringLiteral("The page shown before (Alt+Left)"));
    m_forward = button(QStringLiteral("Forward \u25B6"), QStringLiteral("The next page (Alt+Right)"));
    QToolButton* home = button(QStringLiteral("Contents"), QStringLiteral("The help's contents (Alt+Home)"));
    m_back->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
    m_forward->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
    home->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Home));
    m_back->setEnabled(false);
    m_forward->setEnabled(false);
    connect(m_back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(home, &QToolButton::clicked, this, [this] { ShowPage(QStringLiteral("index.html")); });
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QWidget::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QWidget::setEnabled);

    auto* bar = new QHBoxLayout;
    bar->addWidget(m_back);
    bar->addWidget(m_forward);
    bar->addWidget(home);
    bar->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(m_browser, 1);
}

QStringList HelpWindow::Pages()
{
    InitProgramResources();
    QStringList pages = QDir(QString::fromLatin1(kHelpFolder)).entryList({QStringLiteral("*.html")}, QDir::Files);
    pages.removeAll(QStringLiteral("index.html"));
    pages.prepend(QStringLiteral("index.html"));
    return pages;
}

QUrl HelpWindow::PageUrl(const QString& page)
{
    return QUrl(QStringLiteral("qrc") + QString::fromLatin1(kHelpFolder) + QLatin1Char('/') +
                (page.isEmpty() ? QStringLiteral("index.html") : page));
}

void HelpWindow::ShowPage(const QString& page)
{
    m_browser->setSource(PageUrl(page));
}

QString HelpWindow::PageFor(const QString& windowObjectName)
{
    static const QHash<QString, QString> pages = {
        {QStringLiteral("PropertiesWindow"), QStringLiteral("properties.html")},
        {QStringLiteral("PlayerWindow"), QStringLiteral("properties.html#player")},
        {QStringLiteral("PictureWindow"), QStringLiteral("properties.html#picture")},
        {QStringLiteral("UserDataEditor"), QStringLiteral("user-data.html")},
        {QStringLiteral("SoundOptionsWindow"), QStringLiteral("sound.html")},
        {QStringLiteral("ColumnChooser"), QStringLiteral("columns.html")},
        {QStringLiteral("PlaybackKeysDialog"), QStringLiteral("playing.html#keys")},
        {QStringLiteral("GameParametersDialog"), QStringLiteral("playing.html#parameters")},
        {QStringLiteral("VideoExportDialog"), QStringLiteral("video.html")},
        {QStringLiteral("VideoExportWindow"), QStringLiteral("video.html")},
        {QStringLiteral("TipOfDay"), QStringLiteral("files.html")},
        {QStringLiteral("AboutBox"), QStringLiteral("files.html")},
    };
    return pages.value(windowObjectName);
}

void HelpWindow::Open(QPointer<HelpWindow>& window, QWidget* parent, const QString& page)
{
    if (!window)
        window = new HelpWindow(parent);
    window->ShowPage(page);
    ShowActive(*window);
}

void HelpWindow::Toggle(QPointer<HelpWindow>& window, QWidget* parent, const QString& page)
{
    if (window) {
        window->close();
        return;
    }
    Open(window, parent, page);
}

void HelpWindow::keyPressEvent(QKeyEvent* event)
{
    // F1 closes the help as it opened it; Escape closes it as any tool window.
    if (event->key() == Qt::Key_F1) {
        close();
        return;
    }
    ToolWindow::keyPressEvent(event);
}

} // namespace gui
