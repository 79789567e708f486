#pragma once

#include <QObject>
#include <QTimer>

#include <memory>

class Asker;
class RecoveryKeeper;
class TMainWin;

// Keeps recovery copies of unsaved work while the program runs (every two minutes and before
// each Compile), never while the author is in the middle of something: an edit, a drag, a dialog
// or a running chunk. At start it offers the copies a crashed run left; a clean exit removes them.
class Autosave : public QObject
{
    Q_OBJECT

public:
    explicit Autosave(TMainWin &main);
    ~Autosave() override;

    void SetAsker(Asker *asker) { m_asker = asker; }
    void SetInterval(int milliseconds) { m_timer.setInterval(milliseconds); }

    // Starts keeping copies in `folder`, then asks about each copy a crashed run left there:
    // "Yes" opens it as a new, unsaved project.
    void Start(const QString &folder);
    bool Started() const { return m_keeper != nullptr; }

    // Brings the copy up to date now, unless the author is in the middle of something.
    void WriteNow();
    // What the project commands report: the world holds what its file holds.
    void WorldMatchesProject(const QString &writtenFile);
    // The program ends as the author asked: the copies go.
    void CleanExit();

    // The copy of the current project, if one has been written.
    QString CurrentCopy() const;
    // True while a copy must wait: an edit, a drag, a dialog or a chunk in progress.
    bool Waiting() const;

private:
    void Tick();
    void OfferOrphans();

    TMainWin &m_main;
    Asker *m_asker = nullptr;
    std::unique_ptr<RecoveryKeeper> m_keeper;
    QTimer m_timer;
    QTimer m_retry;
    bool m_reported = false;
};
