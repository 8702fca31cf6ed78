#pragma once
// The dialog templates of the program's windows.

#include "platform/DialogManager.h"

const DialogTemplate& AboutBoxTemplate();   // 100
const DialogTemplate& MainDialogTemplate(); // 102
const DialogTemplate& ClipDialogTemplate(); // 132
// 132 with a "Sound Track" line above the buttons, for a file with several.
const DialogTemplate& ClipDialogWithTrackTemplate();
// Either of them with a "One File per Chapter" line above the buttons, for a
// file with chapters.
const DialogTemplate& ClipDialogWithChaptersTemplate(bool withTrack);
const DialogTemplate& StatusDialogTemplate(); // 133
