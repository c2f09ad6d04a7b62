#pragma once
#include "KeepPosQuery.h"
#include "MessagePresenter.h"

#include <QString>

// The one routine for messages the program composes: the kind letter picks icon and caption.
void ShowMsg(const QString& text, const QString& kind);
MessageBoxSpec showMsgSpec(const QString& text, const QString& kind);

// Re-runs the query and returns the cursor to the row it was on when that still makes sense.
void RefreshKeepPos(KeepPosQuery& query);
