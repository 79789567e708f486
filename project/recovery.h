#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>
#include <vector>

class QLockFile;
class QTemporaryFile;
class ScriptHost;

// A recovery copy left by a run of the program that did not end cleanly.
struct RecoveryCopy
{
    QString folder;
    // The copy itself, a project file.
    QString file;
    // The project it was made from, as the title named it ("Новый.twk" for one never saved).
    QString origin;
    QDateTime written;
};

// Recovery copies of unsaved work, in a folder of the author's data, one folder per project path.
// A copy is the project as Save would write it (the writer's lines, then postsave.lua), put in its
// place whole; `filename`, the current folder and the console are left as they were, and the
// project file itself is never touched.
//
// Unsaved changes are measured, not guessed: the keeper remembers a digest of what the project
// file holds (at New, Open and Save), and a copy is written only when the world as Save would
// write it differs from that and from the last copy. So a change made anywhere counts (an edit, a
// console line, a map icon moved), and nothing else does.
//
// Each folder is held by the run that writes it (a lock file naming the process), so two runs
// never write one folder, and a folder whose holder is gone is a crashed run's copy.
class RecoveryKeeper
{
public:
    RecoveryKeeper(ScriptHost &host, const QString &folder, const QString &scriptFolder);
    ~RecoveryKeeper();
    RecoveryKeeper(const RecoveryKeeper &) = delete;
    RecoveryKeeper &operator=(const RecoveryKeeper &) = delete;

    // The world now holds what its project file holds (after New, Open and Save). writtenFile is
    // the file a save has just written, whose bytes are the world's; empty to read the world.
    void MatchesProject(const QString &writtenFile);
    // From now on the whole world counts as unsaved (work restored from a copy, in no file).
    void ForgetProject() { m_projectDigest.clear(); }

    // Brings the copy of the project named `project` up to date: written when the world differs
    // from its file and from the last copy, removed when it equals the file. False, with the
    // reason, when it could not be written.
    bool Update(const QString &project, QString *problem);
    // The copy Update writes for that project, if it has written one.
    QString CopyOf(const QString &project) const;

    // Copies left by runs that did not end cleanly, newest first. They are held from now on: kept
    // until RemoveAll, never written over.
    QList<RecoveryCopy> AdoptOrphans();
    // Lets go of an adopted copy without removing it: the next start offers it again.
    void Release(const RecoveryCopy &copy);
    // Removes every copy held, the adopted ones too: a clean exit.
    void RemoveAll();

private:
    struct Held;

    // Writes what Save would write into a new file in the keeper's folder, with its digest.
    std::unique_ptr<QTemporaryFile> Compose(QByteArray *digest, QString *problem);
    Held *FolderFor(const QString &project);

    ScriptHost &m_host;
    QString m_folder;
    QString m_scriptFolder;
    QByteArray m_projectDigest;
    // The project the last copy was written for, and that copy's digest.
    QString m_copied;
    QByteArray m_copyDigest;
    std::vector<std::unique_ptr<Held>> m_held;
};
