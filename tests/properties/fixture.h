#pragma once

#include "properties/methodeditor.h"
#include "properties/propertieswin.h"
#include "script/scripthost.h"
#include "tests/support/fakeasker.h"
#include "tests/support/recordingconsole.h"
#include "widgets/windowlinks.h"

#include <QTest>
#include <QTreeWidget>

#include <memory>

// The object tree as the properties window sees it: a selected node and its owner, set by the
// test, and a record of what was written into the search box.
class FakeSelection : public ObjectSelection
{
public:
    QString SelectedUid() const override { return uid; }
    QString SelectedParentUid() const override { return parentUid; }
    void WriteSearch(const QString &text) override { searches.append(text); }

    QString uid;
    QString parentUid;
    QStringList searches;
};

// A properties window of its own over room, hall inside it, and apple, driven as the tree drives
// it; a test class starts it in init() and stops it in cleanup().
class PropertiesBench
{
protected:
    std::unique_ptr<ScriptHost> m_host;
    RecordingConsole m_console;
    FakeSelection m_selection;
    FakeAsker m_asker;
    std::unique_ptr<TPropertiesWin> m_win;

    void Start()
    {
        m_selection = FakeSelection();
        m_asker = FakeAsker();
        m_asker.confirm = true;
        m_host = std::make_unique<ScriptHost>();
        m_host->SetConsole(&m_console);
        m_host->RunLua(QStringLiteral("dofile 'startup.lua'"));
        m_host->RunLua(QStringLiteral(
            "world:create('room', 'Комната'); room:create('hall', 'Зал'); world:create('apple', 'Яблоко')"));
        m_win = std::make_unique<TPropertiesWin>(*m_host);
        m_win->SetSelection(&m_selection);
        m_win->SetAsker(&m_asker);
        m_win->show();
        m_win->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_win.get()));
        m_console.lines.clear();
    }

    // The window goes before the script state it writes to.
    void Stop()
    {
        m_win.reset();
        m_host.reset();
    }

    QTreeWidget *List() const { return m_win->PropNames(); }
    MethodEditor *Editor() const { return m_win->Method(); }

    QStringList Captions() const
    {
        QStringList entries;
        for (int i = 0; i < List()->topLevelItemCount(); ++i)
            entries.append(List()->topLevelItem(i)->text(0));
        return entries;
    }

    QString Eval(const QString &expression) { return m_host->EvalString(expression); }

    // The tree selects the object and shows it, as a click on its node does.
    void Pick(const QString &uid, const QString &parent)
    {
        m_selection.uid = uid;
        m_selection.parentUid = parent;
        m_win->ShowObject(uid);
    }

    // Gives hall the sources (unless null), shows it as the tree would, and clicks the entry.
    void ShowHall(const QString &ideData, const QString &caption = QString())
    {
        if (!ideData.isNull())
            m_host->RunLua(QStringLiteral("hall.ide_data = ") + ideData);
        Pick(QStringLiteral("hall"), QStringLiteral("room"));
        if (!caption.isEmpty())
            ClickEntry(caption);
    }

    void ClickEntry(const QString &caption)
    {
        const int row = Captions().indexOf(caption);
        QVERIFY2(row >= 0, qPrintable(caption));
        const QRect rect = List()->visualItemRect(List()->topLevelItem(row));
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    }

    static void Focus(QWidget *widget)
    {
        widget->setFocus();
        QTRY_VERIFY(widget->hasFocus());
    }

    void FocusEditor()
    {
        QVERIFY(Editor()->isVisible());
        Focus(Editor());
        Editor()->moveCursor(QTextCursor::End);
    }

    // The author leaves the editor for the list.
    void LeaveEditor() { Focus(List()); }
};
