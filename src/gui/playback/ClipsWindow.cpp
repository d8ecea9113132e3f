#include "gui/playback/ClipsWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/settings/Settings.h"

namespace gui {
namespace {

QString PathText(const std::filesystem::path& path)
{
    return QFile::decodeName(path.string().c_str());
}

// Failures named one a line; a long list ends with how many more there were.
constexpr int kFailuresNamed = 10;

} // namespace

QString ClipsSummaryText(const core::ClipBatchResult& result, size_t total, const std::filesystem::path& folder)
{
    QString text = QStringLiteral("%1 clip(s) written into %2.").arg(result.written).arg(PathText(folder));
    if (result.kept > 0)
        text += QStringLiteral("\n%1 were there already, the same clips, and are kept.").arg(result.kept);
    const size_t failed = result.outcomes.size() - result.written - result.kept;
    if (failed > 0) {
        text += QStringLiteral("\n%1 failed:").arg(failed);
        int named = 0;
        for (const core::ClipOutcome& outcome : result.outcomes) {
            if (outcome.ok)
                continue;
            if (named++ == kFailuresNamed) {
                text += QStringLiteral("\n... and %1 more").arg(failed - kFailuresNamed);
                break;
            }
            text += QStringLiteral("\n%1: %2").arg(PathText(outcome.file.filename()), PathText(outcome.problem));
        }
    }
    if (result.stopped)
        text += QStringLiteral("\nStopped: %1 of %2 not done.").arg(total - result.outcomes.size()).arg(total);
    return text;
}

ClipsWindow::ClipsWindow(std::vector<core::ClipOrder> orders, std::filesystem::path folder, QWidget* parent)
    : QWidget(parent, Qt::Window), m_orders(std::move(orders)), m_folder(std::move(folder))
{
    setObjectName(QStringLiteral("ClipsWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Save clips"));
    auto* target = new QLabel(QStringLiteral("%1 clip(s) into\n%2").arg(m_orders.size()).arg(PathText(m_folder)), this);
    target->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, std::max<int>(1, static_cast<int>(m_orders.size())));
    m_progress->setValue(0);
    m_stop = new QPushButton(QStringLiteral("&Stop"), this);
    m_close = new QPushButton(QStringLiteral("&Close"), this);
    m_close->hide();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_stop);
    buttons->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(target);
    layout->addWidget(m_progress);
    layout->addWidget(m_status);
    layout->addLayout(buttons);
    resize(480, sizeHint().height());
    connect(m_stop, &QPushButton::clicked, this, [this] {
        m_stop->setEnabled(false);
        m_status->setText(QStringLiteral("Stopping..."));
        m_worker.request_stop();
    });
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
}

ClipsWindow::~ClipsWindow()
{
    m_worker.request_stop();
    if (m_worker.joinable())
        m_worker.join();
}

void ClipsWindow::Start()
{
    m_running = true;
    ShowProgress(0);
    // The work takes the settings as they are now: the conversion's game data for old demos.
    m_worker = std::jthread([this, game = core::ConversionGameDataFor(core::Settings)](std::stop_token stop) {
        const core::ClipBatchResult result = core::SaveClips(
            m_orders, game, m_folder,
            [this](size_t done, size_t) {
                QMetaObject::invokeMethod(
                    this, [this, done] { ShowProgress(done); }, Qt::QueuedConnection);
            },
            stop);
        QMetaObject::invokeMethod(
            this, [this, result] { Finish(result); }, Qt::QueuedConnection);
    });
}

void ClipsWindow::ShowProgress(size_t done)
{
    if (!m_running || !m_stop->isEnabled() || done >= m_orders.size())
        return;
    m_progress->setValue(static_cast<int>(done));
    const core::ClipOrder& order = m_orders[done];
    m_status->setText(QStringLiteral("Clip %1 of %2: %3")
                          .arg(done + 1)
                          .arg(m_orders.size())
                          .arg(PathText(core::ClipFileName(order.name, order.from, order.to))));
}

void ClipsWindow::Finish(const core::ClipBatchResult& result)
{
    if (m_worker.joinable())
        m_worker.join();
    m_running = false;
    m_result = result;
    m_progress->setValue(static_cast<int>(result.outcomes.size()));
    m_status->setText(ClipsSummaryText(result, m_orders.size(), m_folder));
    m_stop->hide();
    m_close->show();
    m_close->setDefault(true);
    adjustSize();
    emit finished();
}

void ClipsWindow::closeEvent(QCloseEvent* event)
{
    if (m_running) {
        // A clip stops between two messages of its demo: the wait is short.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_worker.request_stop();
        m_worker.join();
        QApplication::restoreOverrideCursor();
        m_running = false;
    }
    event->accept();
}

} // namespace gui
