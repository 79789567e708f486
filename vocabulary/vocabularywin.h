#pragma once

#include "vocabulary/vocabularydrag.h"
#include "widgets/toolwin.h"

#include <memory>

class Asker;
class QLineEdit;
class QMenu;
class QModelIndex;
class QPushButton;
class QTabBar;
class ScriptHost;
class VocabularyGrid;
class VocabularyTable;

// The parser's vocabulary: the word lines of verbs.lua, nouns.lua and prepositions.lua, one file
// per tab, edited as a grid and written back into the file, which the script state then runs
// again so the new words are in force at once.
class TVocabularyWin : public TToolWin, public VocabularyDragSource
{
    Q_OBJECT

public:
    explicit TVocabularyWin(ScriptHost &host, QWidget *parent = nullptr);
    ~TVocabularyWin() override;

    // Null restores the real message boxes.
    void SetAsker(Asker *asker);
    // The first showing's work: loads the tab shown. Only the first call does anything.
    void Start();

    // The file of a tab, relative to the working directory, as the engine runs it.
    static QString FileOfTab(int tab);

    // Reads the current tab's file into the grid. A file that cannot be read or holds no block
    // is reported in red and leaves an empty grid that Apply will not write.
    void Load();
    // Writes the grid into the file it was read from, keeping the rest of the file, and runs
    // the file again. Refused, with a red line, when the grid did not come from a block or a
    // word would break the file; false then.
    bool Apply();
    // "Удалить": empties the selected cell and closes its gap.
    void N1Click();
    // "Применить".
    void N3Click();

    bool IsGridDrag(const QMimeData *data) const override;
    QString DraggedKeyWord() const override;
    int TabIndex() const override;

    // Whether the grid differs from its file; shown as "Применить" being enabled.
    bool Unapplied() const { return m_unapplied; }

    QTabBar *VocabularyTab() const { return m_vocabularyTab; }
    VocabularyGrid *Vocabulary() const { return m_vocabulary; }
    QPushButton *Accept() const { return m_accept; }
    QLineEdit *Search() const { return m_search; }
    QMenu *PopupMenu1() const { return m_popupMenu1; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void CreateWidgets();
    void CreatePopupMenu1();
    void VocabularyTabChange(int tab);
    void SearchChange(const QString &text);
    void VocabularySelectCell(const QModelIndex &cell);
    void SetUnapplied(bool unapplied);
    void ReportError(const QString &text);

    ScriptHost &m_host;
    std::unique_ptr<Asker> m_defaultAsker;
    Asker *m_asker = nullptr;
    VocabularyTable *m_table = nullptr;
    QTabBar *m_vocabularyTab = nullptr;
    VocabularyGrid *m_vocabulary = nullptr;
    QPushButton *m_accept = nullptr;
    QLineEdit *m_search = nullptr;
    QMenu *m_popupMenu1 = nullptr;
    // The tab whose file the grid was read from; -1 when the last load failed.
    int m_loadedTab = -1;
    // The tab shown before a change, to go back to when the change is cancelled.
    int m_shownTab = 0;
    bool m_unapplied = false;
    bool m_started = false;
};
