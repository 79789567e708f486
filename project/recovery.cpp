#include "project/recovery.h"

#include "project/projectwriter.h"
#include "script/luaapi.h"
#include "script/luaquote.h"
#include "script/scripthost.h"
#include "script/worldwalk.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QTemporaryFile>

#include <algorithm>
#include <cstdio>

namespace {

const char *const kCopy = "copy.twk";
const char *const kOrigin = "origin";
const char *const kLock = "lock";
// Folders tried for one project path when other runs hold the first ones.
constexpr int kFoldersPerProject = 20;
constexpr qint64 kStalePartSeconds = 60 * 60;

QString In(const QString &folder, const char *name)
{
    return QDir(folder).filePath(QString::fromLatin1(name));
}

QByteArray Digest(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

ProjectNode NodeOf(const WorldNode &node)
{
    ProjectNode project{node.text, {}};
    project.children.reserve(node.children.size());
    for (const WorldNode &child : node.children)
        project.children.push_back(NodeOf(child));
    return project;
}

// A lock that a live run holds stays held however old it is; one whose process is gone is taken.
std::unique_ptr<QLockFile> TakeLock(const QString &folder)
{
    auto lock = std::make_unique<QLockFile>(In(folder, kLock));
    lock->setStaleLockTime(0);
    return lock->tryLock(0) ? std::move(lock) : nullptr;
}

} // namespace

struct RecoveryKeeper::Held
{
    QString folder;
    QString origin;
    // Left by a crashed run: kept, never written.
    bool adopted;
    std::unique_ptr<QLockFile> lock;
};

RecoveryKeeper::RecoveryKeeper(ScriptHost &host, const QString &folder, const QString &scriptFolder)
    : m_host(host), m_folder(folder), m_scriptFolder(scriptFolder)
{
}

RecoveryKeeper::~RecoveryKeeper() = default;

std::unique_ptr<QTemporaryFile> RecoveryKeeper::Compose(QByteArray *digest, QString *problem)
{
    if (!QDir().mkpath(m_folder)) {
        *problem = QStringLiteral("не удалось создать папку %1").arg(m_folder);
        return nullptr;
    }
    lua_State *state = m_host.State();
    const ProjectNode root = NodeOf(WorldWalk(state).Read(QStringLiteral("world")));
    m_host.RunLua(QStringLiteral("if IDE_MAP then IDE_MAP:saveitems() end"));
    ProjectWriter writer(m_host);
    QList<QByteArray> lines;
    if (!writer.ProjectLines(root, &lines, problem))
        return nullptr;
    auto part = std::make_unique<QTemporaryFile>(In(m_folder, ".part-XXXXXX"));
    const QByteArray bytes = ProjectWriter::JoinLines(lines);
    if (!part->open() || part->write(bytes) != bytes.size() || !part->flush()) {
        *problem = part->errorString();
        return nullptr;
    }
    part->close();

    // postsave.lua appends to the file `filename` names, run from the program's folder; both are
    // put back as they were.
    lua_checkstack(state, 4);
    lua_getglobal(state, "filename");
    const int savedName = luaL_ref(state, LUA_REGISTRYINDEX);
    const QString current = QDir::currentPath();
    m_host.RunBytes("filename = " + LuaQuote::QuotedString(QFile::encodeName(part->fileName())));
    QDir::setCurrent(m_scriptFolder);
    m_host.RunLua(QStringLiteral("dofile 'postsave.lua'"));
    QDir::setCurrent(current);
    lua_rawgeti(state, LUA_REGISTRYINDEX, savedName);
    lua_setglobal(state, "filename");
    luaL_unref(state, LUA_REGISTRYINDEX, savedName);

    if (!part->open()) {
        *problem = part->errorString();
        return nullptr;
    }
    *digest = Digest(part->readAll());
    part->close();
    return part;
}

void RecoveryKeeper::MatchesProject(const QString &writtenFile)
{
    // The copy of work just saved is out of date; a copy of work that New or Open left behind
    // stays until the clean exit.
    if (!writtenFile.isEmpty())
        for (const auto &held : m_held)
            if (!held->adopted && held->origin == m_copied)
                QFile::remove(In(held->folder, kCopy));
    m_copied.clear();
    m_copyDigest.clear();
    m_projectDigest.clear();
    if (!writtenFile.isEmpty()) {
        QFile file(writtenFile);
        if (file.open(QIODevice::ReadOnly))
            m_projectDigest = Digest(file.readAll());
        return;
    }
    QString problem;
    Compose(&m_projectDigest, &problem);
}

QString RecoveryKeeper::CopyOf(const QString &project) const
{
    for (const auto &held : m_held)
        if (!held->adopted && held->origin == project && QFile::exists(In(held->folder, kCopy)))
            return In(held->folder, kCopy);
    return QString();
}

bool RecoveryKeeper::Update(const QString &project, QString *problem)
{
    // Never in the middle of a chunk: the world may be half changed.
    if (m_host.Depth() > 0)
        return true;
    QByteArray digest;
    const std::unique_ptr<QTemporaryFile> part = Compose(&digest, problem);
    if (!part)
        return false;
    if (digest == m_projectDigest) {
        const QString copy = CopyOf(project);
        if (!copy.isEmpty())
            QFile::remove(copy);
        m_copyDigest.clear();
        return true;
    }
    if (digest == m_copyDigest && !CopyOf(project).isEmpty())
        return true;
    Held *held = FolderFor(project);
    if (!held) {
        *problem = QStringLiteral("не удалось занять папку в %1").arg(m_folder);
        return false;
    }
    if (std::rename(QFile::encodeName(part->fileName()).constData(),
                    QFile::encodeName(In(held->folder, kCopy)).constData())
        != 0) {
        *problem = QStringLiteral("не удалось записать %1").arg(In(held->folder, kCopy));
        return false;
    }
    part->setAutoRemove(false);
    m_copied = project;
    m_copyDigest = digest;
    return true;
}

RecoveryKeeper::Held *RecoveryKeeper::FolderFor(const QString &project)
{
    for (const auto &held : m_held)
        if (!held->adopted && held->origin == project)
            return held.get();
    const QString key = QString::fromLatin1(Digest(project.toUtf8()).toHex().left(16));
    for (int n = 1; n <= kFoldersPerProject; ++n) {
        const QString folder = QDir(m_folder).filePath(n == 1 ? key : key + QLatin1Char('-') + QString::number(n));
        const bool ours = std::any_of(m_held.begin(), m_held.end(),
                                      [&folder](const auto &held) { return held->folder == folder; });
        if (ours || !QDir().mkpath(folder))
            continue;
        std::unique_ptr<QLockFile> lock = TakeLock(folder);
        // Held by another run, or a crashed run's copy that waits to be offered.
        if (!lock || QFile::exists(In(folder, kCopy)))
            continue;
        QSaveFile origin(In(folder, kOrigin));
        const QByteArray name = project.toUtf8();
        if (!origin.open(QIODevice::WriteOnly) || origin.write(name) != name.size() || !origin.commit())
            continue;
        m_held.push_back(std::make_unique<Held>(Held{folder, project, false, std::move(lock)}));
        return m_held.back().get();
    }
    return nullptr;
}

QList<RecoveryCopy> RecoveryKeeper::AdoptOrphans()
{
    QList<RecoveryCopy> copies;
    const QDir root(m_folder);
    // Parts a killed run was composing; a live run's part is never this old.
    for (const QFileInfo &part : root.entryInfoList({QStringLiteral(".part-*")}, QDir::Files | QDir::Hidden))
        if (part.lastModified().secsTo(QDateTime::currentDateTime()) > kStalePartSeconds)
            QFile::remove(part.filePath());
    for (const QString &name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString folder = root.filePath(name);
        if (std::any_of(m_held.begin(), m_held.end(), [&folder](const auto &held) { return held->folder == folder; }))
            continue;
        std::unique_ptr<QLockFile> lock = TakeLock(folder);
        if (!lock)
            continue;
        const QString copy = In(folder, kCopy);
        if (!QFile::exists(copy)) {
            // A run that ended with nothing unsaved left only its folder.
            QFile::remove(In(folder, kOrigin));
            lock.reset();
            root.rmdir(name);
            continue;
        }
        QFile originFile(In(folder, kOrigin));
        const QString origin = originFile.open(QIODevice::ReadOnly) ? QString::fromUtf8(originFile.readAll())
                                                                    : QStringLiteral("?");
        copies.append({folder, copy, origin, QFileInfo(copy).lastModified()});
        m_held.push_back(std::make_unique<Held>(Held{folder, origin, true, std::move(lock)}));
    }
    std::sort(copies.begin(), copies.end(),
              [](const RecoveryCopy &a, const RecoveryCopy &b) { return a.written > b.written; });
    return copies;
}

void RecoveryKeeper::Release(const RecoveryCopy &copy)
{
    m_held.erase(std::remove_if(m_held.begin(), m_held.end(),
                                [&copy](const auto &held) { return held->adopted && held->folder == copy.folder; }),
                 m_held.end());
}

void RecoveryKeeper::RemoveAll()
{
    for (const auto &held : m_held) {
        QFile::remove(In(held->folder, kCopy));
        QFile::remove(In(held->folder, kOrigin));
        held->lock->unlock();
        QDir().rmdir(held->folder);
    }
    m_held.clear();
    m_copied.clear();
    m_copyDigest.clear();
}
