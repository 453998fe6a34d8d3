#pragma once
// The toolkit's shared cursors: a pointing hand and a grabbing hand, registered in the
// screen's cursor list under KX_HANDCUR and KX_DRAGCUR when the program starts. Controls
// show them by setting Cursor to those numbers.
#include "platform/framework/Forms.h"

constexpr TCursor KX_HANDCUR = 14000;
constexpr TCursor KX_DRAGCUR = 14001;

// Puts the toolkit's cursor pictures among the program's resources ("KX_HANDCUR" and
// "KX_DRAGCUR", RT_CURSOR) and stores them in Screen->Cursors. Only the first call acts.
void StartKxconst();

// Every unit that includes this header brings the cursors in at start-up.
inline const bool kxconstStarted = (StartKxconst(), true);
