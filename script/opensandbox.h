#pragma once

#include <QString>

#include <vector>

class ScriptHost;

// While it lives, Lua in the script state cannot reach outside the world: running programs,
// removing, renaming or writing files, ending the process and loading native code are refused,
// and files are read or run only from the program's folder and the project's own. A project
// received from someone else is opened inside one, so opening it cannot harm the author's machine.
//
// Each refused call is reported once in red, naming the function and the file and line that
// called it, and returns nil and a message instead of raising an error, so the rest of the project
// still loads. The debug functions that could reach the real functions held here (registry,
// upvalues, locals, hooks) are refused too.
//
// The functions are replaced in their own tables, so every way of reaching them meets the guard;
// when the sandbox ends the real ones are put back, and a guard kept by Lua code from then on
// passes its calls on to the real function.
class OpenSandbox
{
public:
    OpenSandbox(ScriptHost &host, const QString &projectFile, const QString &programFolder);
    ~OpenSandbox();
    OpenSandbox(const OpenSandbox &) = delete;
    OpenSandbox &operator=(const OpenSandbox &) = delete;

    enum Rule : int { Refuse, ReadFile, RunFile, Output, Require, LuaLoader };

private:
    struct Guarded
    {
        int tableRef;
        int keyRef;
        int originalRef;
    };

    void GuardTable(const char *table, const char *const *fields, Rule rule);
    void GuardGlobals();
    void GuardPackage();
    // Replaces table[key] (the table and the key on top of the stack, key above) by a guard.
    void Guard(const char *name, Rule rule);

    ScriptHost &m_host;
    int m_sharedRef = 0;
    std::vector<Guarded> m_guarded;
};
