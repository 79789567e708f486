#pragma once

class QWidget;

// Centres a top-level window on its parent's screen (the primary screen without a parent), then
// shows it, brings it to the front and gives it the focus.
void ShowCentred(QWidget *window);
