// Labels in fixed places (a dialog drawn without layouts) made to fit the platform's font: a
// label keeps its place, grows where its text needs more room, and pushes a neighbour on its row
// to the right only when its text would run into it.
#pragma once

class QDialog;
class QLabel;
class QWidget;

// Grows `label` to its text's size hint, never shrinks it.
void growToText(QLabel* label);

// `following` stands right of `leading` on the same row: it moves right when `leading`'s text
// and a spacing do not end before it, and `leading` then ends where that spacing begins.
void keepClearOf(QLabel* leading, QWidget* following);

// Widens `dialog` when one of its children reaches into its right margin.
void widenToChildren(QDialog* dialog);
