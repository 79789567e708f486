#pragma once

#include <QWidget>

class QListWidget;
class QTextBrowser;
class ScriptHost;

// The help viewer: the fixed list of topics on the left, the chosen topic's text from HELP on
// the right, its mark-up rendered. A window of its own, not docked; it opens with no topic
// chosen and keeps the last one while hidden.
class THelpWin : public QWidget
{
    Q_OBJECT

public:
    explicit THelpWin(ScriptHost &host, QWidget *parent = nullptr);

    static const QStringList &TopicTitles();

    // Shows topic n (from 1) as HELP [n] holds it now: a topic that is neither a string nor a
    // number shows an empty view.
    void ShowTopic(int n);

    // Centres the window on its screen, shows it and brings it to the front.
    void ShowCentred();

    QListWidget *Topics() const { return m_topics; }
    QTextBrowser *Help() const { return m_help; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void TopicsSelectionChanged();

    ScriptHost &m_host;
    QListWidget *m_topics = nullptr;
    QTextBrowser *m_help = nullptr;
};
