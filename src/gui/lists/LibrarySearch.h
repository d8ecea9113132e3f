#pragma once
// Searches the library index from the search bar and shows the results in the demo list (or, for
// a moment search, the moments in the moments view), and keeps the index current on a thread of its own, with its
// progress in the status bar, so that the window never waits for it.
#include <QObject>
#include <QString>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "core/index/IndexUpdater.h"
#include "core/index/LibraryIndex.h"

namespace gui {

class DemoListPane;
class ListFiller;
class MomentsPane;
class SearchBar;
class SearchResultsNode;
class StatusPanels;

class LibrarySearch : public QObject {
    Q_OBJECT
public:
    LibrarySearch(SearchBar& bar, SearchResultsNode& node, DemoListPane& list, ListFiller& filler, MomentsPane& moments,
                  StatusPanels& status, QObject* parent = nullptr);
    ~LibrarySearch() override;

    // The folders to index: every folder of the tree, asked on the window's thread.
    std::function<std::vector<std::string>()> folders;
    std::filesystem::path databaseFile;
    std::filesystem::path demoDataDirectory;

    // Brings the index up to date in the background unless that already runs.
    void StartIndexing(bool rebuild = false);
    bool Indexing() const { return m_worker.joinable(); }
    // Runs a search now and shows its results.
    void Search(const QString& text);
    // Shows the last search's results again, searched anew.
    void ShowResultsAgain();
    bool ShowingResults() const { return m_showing; }
    // The moments view shows the moments of the last search in the demo list's place; the demo
    // list keeps what it showed before.
    bool ShowingMoments() const { return m_showingMoments; }
    // The demo list shows a folder again (and takes the moments view's place).
    void LeaveResults();
    // The demo list takes the moments view's place again, as it was.
    void LeaveMoments();
    // The status bar's text of the index: progress while it is built, then what became of it.
    QString IndexText() const { return m_indexText; }

    // Rows shown at most: more would only make the list slow to fill.
    static constexpr size_t kMaxRows = 20000;

signals:
    void resultsShown();
    void momentsShown();
    void momentsLeft();
    void indexingFinished();

private:
    void ShowIndexText(const QString& text);
    void Finished(const core::IndexUpdateResult& result);
    // The summary of the list shown: the moments view's or the demo list's.
    void Tell(const QString& text);
    void ShowMoments(const core::SearchQuery& query, core::LibraryIndex& reader);
    core::LibraryIndex* Reader();

    SearchBar& m_bar;
    SearchResultsNode& m_node;
    DemoListPane& m_list;
    ListFiller& m_filler;
    MomentsPane& m_moments;
    StatusPanels& m_status;
    std::unique_ptr<core::LibraryIndex> m_reader;
    std::thread m_worker;
    std::stop_source m_stop; // of the running update only
    QString m_lastSearch;
    QString m_indexText;
    bool m_showing = false;
    bool m_showingMoments = false;
    bool m_searchAfterIndexing = false;
    bool m_indexAgain = false;
};

} // namespace gui
