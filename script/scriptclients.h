#pragma once

#include <QString>

// The kinds of console line; the numbers are part of the interface every window uses. Warning
// (dark yellow) and Transcript (a walkthrough's lines) come after the four first ones.
namespace ConsoleKind {
enum : int { Command = 0, Normal = 1, Error = 2, Player = 3, Warning = 4, Transcript = 5 };
}

// Where `print` and `error_print` write. The console implements it; tests give their own.
class ConsoleSink
{
public:
    virtual ~ConsoleSink() = default;
    virtual void ConsolePrint(const QString &text, int kind) = 0;
    // Called when the outermost running chunk has ended, or while a long chunk runs, so a sink
    // that batches lines shows them.
    virtual void Flush() {}
};

// What `update_items` rebuilds: the object tree.
class ItemsRefresher
{
public:
    virtual ~ItemsRefresher() = default;
    virtual void UpdateItemsFromScript() = 0;
};

// What the eight map functions act on.
class MapCanvas
{
public:
    virtual ~MapCanvas() = default;
    virtual void DrawLine(const QString &a, const QString &b) = 0;
    virtual void ClearPagesList() = 0;
    virtual void AddMapPage(const QString &name) = 0;
    virtual void WritePageName(const QString &text) = 0;
    virtual void ClearPageItems() = 0;
    virtual int PageItemsCount() const = 0;
    // The index counts from 1; false when there is no such icon.
    virtual bool PageItem(int index, QString *caption, int *x, int *y) const = 0;
    virtual void AddPageItem(const QString &caption, int x, int y) = 0;
};

// Asked now and then while a chunk runs for long, so the author can stop runaway code.
class RunGuard
{
public:
    virtual ~RunGuard() = default;
    // False stops the running chunk with an error.
    virtual bool KeepRunning(qint64 elapsedMs) = 0;
    // The outermost chunk has ended; a guard that showed anything hides it.
    virtual void RunEnded() {}
};
