#pragma once
// One running copy per configuration file and display: a second start of the same copy on the
// same display hands its command line to the first, which comes to the front, and ends. Another
// portable copy (another configuration file) or another display runs on its own. A lock file
// serialises starts that happen at the same moment; a local socket carries the command line.
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QStringList>

#include <memory>

namespace gui {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `name` tells programs (and tests) apart; the user's id is added to it.
    explicit SingleInstance(const QString& name, QObject* parent = nullptr);

    // The name of the instance that uses the configuration file on the display: the file's
    // folder with links resolved, and the display with its default screen number dropped
    // (":0.0" is ":0").
    static QString NameFor(const QString& configurationFile, const QString& display);
    // The display this process shows its windows on: the platform and its display name.
    static QString CurrentDisplay();
    ~SingleInstance() override;

    enum class Outcome {
        First,      // this is the only instance; it now answers later starts
        HandedOver, // another instance took the command line: end this one
        NoAnswer,   // another instance exists but did not take it: go on without answering others
    };
    // Waits up to `waitMs` for a start in progress; a start that cannot get its turn ends too.
    Outcome Claim(const QStringList& arguments, int waitMs = 5000);

    // The command line the last later start handed over (nothing else uses it).
    const QStringList& Received() const { return m_received; }

signals:
    // A later start handed over its command line: the window comes to the front.
    void activationRequested();

private:
    void Accept();

    QString m_name;
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<QLocalServer> m_server;
    QStringList m_received;
};

} // namespace gui
