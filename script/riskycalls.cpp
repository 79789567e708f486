#include "script/riskycalls.h"

#include "script/codepage.h"
#include "script/luaapi.h"
#include "script/scripthost.h"
#include "script/worldwalk.h"

#include <QFileInfo>
#include <QMap>

#include <algorithm>

namespace RiskyCalls {

namespace {

const char *const kQualified[] = {"os.execute", "os.remove", "os.rename", "os.exit",
                                  "os.tmpname", "io.popen",  "io.open",   "io.output",
                                  "io.lines",   "package.loadlib"};
const char *const kBare[] = {"loadlib", "require", "dofile", "loadfile"};
// Places named on one line before the rest are only counted.
constexpr int kPlacesShown = 5;

struct Token
{
    enum Kind { None, Name, Access, Other } kind;
    QByteArrayView text;
    int line;
};

bool IsNameStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool IsNamePart(char c)
{
    return IsNameStart(c) || (c >= '0' && c <= '9');
}

// The tokens of Lua code that matter here: names, the "." and ":" that make a field access, and
// anything else as one "other" token. Follows the interpreter's lexer over strings, comments and
// long brackets (a level-0 long bracket nests, as in this build).
class Lexer
{
public:
    explicit Lexer(const QByteArray &code) : m_code(code) {}

    // Hands each token to `take`, in order; names are views into the code.
    template <typename Take>
    void Scan(Take take)
    {
        while (m_at < m_code.size()) {
            const char c = m_code.at(m_at);
            if (c == '\n') {
                ++m_line;
                ++m_at;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++m_at;
            } else if (c == '-' && Peek(1) == '-') {
                m_at += 2;
                if (!SkipLongBracket())
                    while (m_at < m_code.size() && m_code.at(m_at) != '\n')
                        ++m_at;
            } else if (c == '[' && SkipLongBracket()) {
                take(Token{Token::Other, {}, m_line});
            } else if (c == '"' || c == '\'') {
                SkipQuoted(c);
                take(Token{Token::Other, {}, m_line});
            } else if (IsNameStart(c)) {
                const qsizetype start = m_at;
                while (m_at < m_code.size() && IsNamePart(m_code.at(m_at)))
                    ++m_at;
                take(Token{Token::Name, QByteArrayView(m_code).sliced(start, m_at - start), m_line});
            } else if ((c >= '0' && c <= '9') || (c == '.' && Peek(1) >= '0' && Peek(1) <= '9')) {
                SkipNumber();
                take(Token{Token::Other, {}, m_line});
            } else if ((c == '.' && Peek(1) != '.') || c == ':') {
                ++m_at;
                take(Token{Token::Access, QByteArrayView(m_code).sliced(m_at - 1, 1), m_line});
            } else {
                while (c == '.' && Peek(1) == '.')
                    ++m_at;
                ++m_at;
                take(Token{Token::Other, {}, m_line});
            }
        }
    }

private:
    char Peek(qsizetype ahead) const
    {
        return m_at + ahead < m_code.size() ? m_code.at(m_at + ahead) : '\0';
    }

    // At "[" followed by "=" signs and "[": passes the whole long bracket and returns true.
    bool SkipLongBracket()
    {
        if (Peek(0) != '[')
            return false;
        qsizetype level = 0;
        while (Peek(1 + level) == '=')
            ++level;
        if (Peek(1 + level) != '[')
            return false;
        m_at += level + 2;
        int depth = 0;
        while (m_at < m_code.size()) {
            const char c = m_code.at(m_at);
            if (c == '\n')
                ++m_line;
            if ((c == '[' || c == ']') && Closes(c, level)) {
                m_at += level + 2;
                if (c == '[' && level == 0)
                    ++depth;
                else if (c == ']' && (level > 0 || depth-- == 0))
                    return true;
                continue;
            }
            ++m_at;
        }
        return true;
    }

    // Whether c, level "=" signs and c again begin here.
    bool Closes(char c, qsizetype level) const
    {
        for (qsizetype i = 1; i <= level; ++i)
            if (Peek(i) != '=')
                return false;
        return Peek(level + 1) == c;
    }

    void SkipQuoted(char quote)
    {
        ++m_at;
        while (m_at < m_code.size()) {
            const char c = m_code.at(m_at++);
            if (c == '\\' && m_at < m_code.size()) {
                if (m_code.at(m_at) == '\n')
                    ++m_line;
                ++m_at;
            } else if (c == quote || c == '\n') {
                // An unfinished string ends at the line's end, as the interpreter's error does.
                if (c == '\n')
                    ++m_line;
                return;
            }
        }
    }

    void SkipNumber()
    {
        while (m_at < m_code.size()) {
            const char c = m_code.at(m_at);
            if ((c == '+' || c == '-') && (m_code.at(m_at - 1) == 'e' || m_code.at(m_at - 1) == 'E'))
                ++m_at;
            else if (IsNamePart(c) || c == '.')
                ++m_at;
            else
                return;
        }
    }

    const QByteArray &m_code;
    qsizetype m_at = 0;
    int m_line = 1;
};

// Whether the code holds a word every mention needs: most sources do not, and are passed over
// without being read token by token.
bool MayMention(QByteArrayView code)
{
    for (const char *word : {"os", "io", "require", "dofile", "loadfile", "loadlib"})
        if (code.contains(word))
            return true;
    return false;
}

bool Listed(const char *const *begin, const char *const *end, QByteArrayView name)
{
    return std::any_of(begin, end, [name](const char *listed) { return name == listed; });
}

// The sources kept in an object's ide_data that may mention a function, by key in sorted order.
QList<QPair<QString, QByteArray>> Sources(lua_State *state, const QString &uid)
{
    QList<QPair<QString, QByteArray>> sources;
    lua_checkstack(state, 6);
    lua_getglobal(state, CodePage::ToLua(uid).constData());
    if (lua_istable(state, -1)) {
        lua_pushliteral(state, "ide_data");
        lua_rawget(state, -2);
        if (lua_istable(state, -1)) {
            lua_pushnil(state);
            while (lua_next(state, -2)) {
                size_t length = 0;
                const char *text = lua_type(state, -1) == LUA_TSTRING ? lua_tolstring(state, -1, &length) : nullptr;
                if (text && lua_type(state, -2) == LUA_TSTRING && MayMention(QByteArrayView(text, qsizetype(length))))
                    sources.append({CodePage::FromLua(lua_tostring(state, -2)), QByteArray(text, qsizetype(length))});
                lua_pop(state, 1);
            }
        }
        lua_pop(state, 1);
    }
    lua_pop(state, 1);
    std::sort(sources.begin(), sources.end());
    return sources;
}

void OwnedNodes(const WorldNode &node, QStringList *uids)
{
    if (node.reference)
        return;
    uids->append(node.text);
    for (const WorldNode &child : node.children)
        OwnedNodes(child, uids);
}

} // namespace

QList<Use> Find(const QByteArray &code)
{
    QList<Use> uses;
    if (!MayMention(code))
        return uses;
    // The three tokens before this one, the nearest last: a mention is a listed name not after
    // "." or ":", or a listed library and field ("os" "." "execute") with the library not after one.
    Token third{}, second{}, last{};
    Lexer(code).Scan([&](const Token &token) {
        if (token.kind == Token::Name && last.text == "." && second.kind == Token::Name
            && third.kind != Token::Access
            && (second.text == "os" || second.text == "io" || second.text == "package")) {
            const QByteArray qualified = second.text.toByteArray() + '.' + token.text.toByteArray();
            if (Listed(std::begin(kQualified), std::end(kQualified), qualified))
                uses.append({QString::fromLatin1(qualified), second.line});
        }
        if (token.kind == Token::Name && last.kind != Token::Access
            && Listed(std::begin(kBare), std::end(kBare), token.text))
            uses.append({QString::fromLatin1(token.text.toByteArray()), token.line});
        third = second;
        second = last;
        last = token;
    });
    return uses;
}

void ReportProject(ScriptHost &host, const QByteArray &projectText, const QString &projectFile)
{
    QStringList order;
    QMap<QString, QStringList> places;
    const auto note = [&order, &places](const Use &use, const QString &place) {
        if (!places.contains(use.function))
            order.append(use.function);
        QStringList &list = places[use.function];
        if (!list.contains(place))
            list.append(place);
    };

    const QString fileName = QFileInfo(projectFile).fileName();
    for (const Use &use : Find(projectText))
        note(use, QStringLiteral("файл %1, строка %2").arg(fileName).arg(use.line));
    QStringList uids;
    OwnedNodes(WorldWalk(host.State()).Read(QStringLiteral("world")), &uids);
    for (const QString &uid : uids) {
        for (const auto &source : Sources(host.State(), uid)) {
            for (const Use &use : Find(source.second))
                note(use, QStringLiteral("объект «%1», свойство «%2»").arg(uid, source.first));
        }
    }

    ConsoleSink *console = host.Console();
    for (const QString &function : order) {
        const QStringList &list = places[function];
        QString where = list.mid(0, kPlacesShown).join(QStringLiteral("; "));
        if (list.size() > kPlacesShown)
            where += QStringLiteral(" и ещё %1").arg(list.size() - kPlacesShown);
        if (console)
            console->ConsolePrint(QStringLiteral("в проекте используется %1: %2").arg(function, where),
                                  ConsoleKind::Warning);
    }
}

} // namespace RiskyCalls
