#include "gui/lists/LibrarySearch.h"

#include <QTimer>

#include <utility>

#include "core/index/Moments.h"
#include "gui/common/BusyScope.h"
#include "gui/common/StatusPanels.h"
#include "gui/lists/DemoListPane.h"
#include "gui/lists/ListFiller.h"
#include "gui/lists/MomentsPane.h"
#include "gui/lists/SearchBar.h"
#include "gui/tree/SearchResultsNode.h"

namespace gui {
namespace {

// A search waits this long for a lock another program holds before it says so.
constexpr int kSearchBusyMs = 100;

QString ProgressText(const core::IndexProgress& progress)
{
    return QStringLiteral("Indexing the library: folder %1 of %2, %3 demo(s) read")
        .arg(std::min(progress.foldersDone + 1, progress.foldersTotal))
        .arg(progress.foldersTotal)
        .arg(progress.demosRead);
}

} // namespace

LibrarySearch::LibrarySearch(SearchBar& bar, SearchResultsNode& node, DemoListPane& list, ListFiller& filler,
                             MomentsPane& moments, StatusPanels& status, QObject* parent)
    : QObject(parent), m_bar(bar), m_node(node), m_list(list), m_filler(filler), m_moments(moments), m_status(status)
{
    connect(&m_bar, &SearchBar::searchRequested, this, &LibrarySearch::Search);
    connect(&m_bar, &SearchBar::focused, this, [this] { StartIndexing(); });
    connect(&m_node, &SearchResultsNode::chosen, this, &LibrarySearch::ShowResultsAgain);
}

LibrarySearch::~LibrarySearch()
{
    m_stop.request_stop();
    if (m_worker.joinable())
        m_worker.join();
}

core::LibraryIndex* LibrarySearch::Reader()
{
    if (!m_reader) {
        auto reader = std::make_unique<core::LibraryIndex>();
        // A file locked by another program is opened all the same; its searches then say so.
        const core::IndexStatus status = reader->Open(databaseFile, kSearchBusyMs);
        if (status != core::IndexStatus::Ok && status != core::IndexStatus::Busy)
            return nullptr;
        if (reader->TakeRebuilt())
            ShowIndexText(QString::fromLatin1(core::kIndexRebuiltMessage));
        m_reader = std::move(reader);
    }
    return m_reader.get();
}

void LibrarySearch::ShowIndexText(const QString& text)
{
    m_indexText = text;
    m_status.SetIndexText(text);
}

void LibrarySearch::StartIndexing(bool rebuild)
{
    if (databaseFile.empty())
        return;
    if (m_worker.joinable()) {
        // The running update may have looked at a folder before its last change.
        m_indexAgain = true;
        return;
    }
    std::error_code ignored;
    std::filesystem::create_directories(databaseFile.parent_path(), ignored);
    // The first opening creates the file or replaces a damaged one before the worker writes.
    if (!rebuild && !Reader()) {
        ShowIndexText(QStringLiteral("The library index cannot be opened."));
        return;
    }
    core::IndexUpdateOptions options;
    options.demoDataDirectory = demoDataDirectory;
    options.rebuild = rebuild;
    m_stop = std::stop_source();
    options.stop = m_stop.get_token();
    options.progress = [this](const core::IndexProgress& progress) {
        const QString text = ProgressText(progress);
        QMetaObject::invokeMethod(
            this, [this, text] { ShowIndexText(text); }, Qt::QueuedConnection);
    };
    std::vector<std::string> list = folders ? folders() : std::vector<std::string>{};
    ShowIndexText(QStringLiteral("Indexing the library..."));
    m_worker = std::thread([this, options = std::move(options), list = std::move(list), file = databaseFile] {
        core::LibraryIndex index;
        core::IndexUpdateResult result;
        if (const core::IndexStatus status = index.Open(file); status != core::IndexStatus::Ok) {
            result.status = status;
            result.message = "The library index cannot be opened: " + index.LastError();
        } else {
            result = core::UpdateLibraryIndex(index, list, options);
        }
        QMetaObject::invokeMethod(
            this, [this, result] { Finished(result); }, Qt::QueuedConnection);
    });
}

void LibrarySearch::Finished(const core::IndexUpdateResult& result)
{
    if (m_worker.joinable())
        m_worker.join();
    if (!result.message.empty())
        ShowIndexText(QString::fromStdString(result.message));
    else if (core::LibraryIndex* reader = Reader()) {
        // A count that cannot be read is said so, never shown as an empty library.
        if (const std::optional<size_t> count = reader->DemoCount())
            ShowIndexText(QStringLiteral("Library index: %1 demo(s)").arg(*count));
        else
            ShowIndexText(QStringLiteral("The library index cannot be read: %1")
                              .arg(QString::fromStdString(reader->LastError())));
    }
    if (m_showing || m_showingMoments || m_searchAfterIndexing) {
        m_searchAfterIndexing = false;
        ShowResultsAgain();
    }
    if (std::exchange(m_indexAgain, false) && result.status == core::IndexStatus::Ok) {
        StartIndexing();
        return;
    }
    emit indexingFinished();
}

void LibrarySearch::Search(const QString& text)
{
    if (text.trimmed().isEmpty())
        return;
    if (gui::BusyCount > 0) {
        // A listing runs and fills the list: the search follows once it is done.
        QTimer::singleShot(SearchBar::kTypingPauseMs, this, [this, text] {
            if (m_bar.text() == text)
                Search(text);
        });
        return;
    }
    m_lastSearch = text;
    // The same bytes velmora-cli is given on a UTF-8 command line: one reading for both.
    const core::SearchQuery query = core::ParseSearchQuery(text.toUtf8().toStdString());
    if (!query.errors.empty()) {
        Tell(QString::fromUtf8(query.errors.front()));
        return;
    }
    if (!Indexing() && !m_reader)
        StartIndexing();
    core::LibraryIndex* reader = Reader();
    if (!reader) {
        Tell(QStringLiteral("The library index cannot be opened."));
        return;
    }
    if (core::IsMomentSearch(query)) {
        ShowMoments(query, *reader);
        return;
    }
    const core::SearchResult result = reader->Search(query, kMaxRows);
    if (result.status == core::IndexStatus::Damaged) {
        m_reader.reset();
        m_searchAfterIndexing = true;
        StartIndexing(true);
        Tell(QString::fromLatin1(core::kIndexRebuiltMessage));
        return;
    }
    if (result.status != core::IndexStatus::Ok) {
        // A lock held elsewhere: the list keeps what it shows and says why.
        Tell(QString::fromStdString(result.message));
        return;
    }
    LeaveMoments();
    m_filler.Clear();
    m_filler.BeginUpdate();
    for (const core::DemoInfo& row : result.rows)
        m_filler.AddRow(row);
    m_filler.EndUpdate();
    m_list.SortAgain();
    QString summary = QStringLiteral("%1 demo(s) found in the library").arg(result.rows.size());
    if (result.more)
        summary += QStringLiteral(" (the first %1 are shown; narrow the search)").arg(kMaxRows);
    if (Indexing())
        summary += QStringLiteral("; the index is still being built");
    m_list.SetSummary(summary + QStringLiteral("."));
    m_showing = true;
    m_node.SetShown(true);
    emit resultsShown();
}

void LibrarySearch::ShowMoments(const core::SearchQuery& query, core::LibraryIndex& reader)
{
    core::MomentResult result = core::SearchMoments(reader, query, kMaxRows);
    if (result.status == core::IndexStatus::Damaged) {
        m_reader.reset();
        m_searchAfterIndexing = true;
        StartIndexing(true);
        Tell(QString::fromLatin1(core::kIndexRebuiltMessage));
        return;
    }
    if (result.status != core::IndexStatus::Ok) {
        Tell(QString::fromStdString(result.message));
        return;
    }
    QString summary = QStringLiteral("%1 moment(s) found in the library").arg(result.moments.size());
    if (result.more)
        summary += QStringLiteral(" (the first %1 are shown; narrow the search)").arg(kMaxRows);
    if (Indexing())
        summary += QStringLiteral("; the index is still being built");
    m_moments.Show(std::move(result.moments), summary + QStringLiteral("."));
    m_showingMoments = true;
    m_node.SetShown(true);
    emit momentsShown();
}

void LibrarySearch::Tell(const QString& text)
{
    if (m_showingMoments)
        m_moments.SetSummary(text);
    else
        m_list.SetSummary(text);
}

void LibrarySearch::LeaveMoments()
{
    if (!std::exchange(m_showingMoments, false))
        return;
    m_node.SetShown(m_showing);
    emit momentsLeft();
}

void LibrarySearch::ShowResultsAgain()
{
    if (m_lastSearch.isEmpty()) {
        m_node.SetShown(m_showing || m_showingMoments);
        return;
    }
    Search(m_lastSearch);
}

void LibrarySearch::LeaveResults()
{
    m_showing = false;
    LeaveMoments();
    m_node.SetShown(false);
}

} // namespace gui
