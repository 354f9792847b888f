// What a dialog needs to be worked from the keyboard alone and read out by a screen reader:
// a tab order that follows the layout, and a name for every control, taken from the words
// the user sees beside it.
#pragma once

#include <QString>
#include <initializer_list>

class QWidget;

namespace kesto {

// "&Begin" reads "Begin", "Search && Replace" reads "Search & Replace".
QString WithoutMnemonic(const QString& label);

// The control's accessible name, from a visible label that may hold a mnemonic.
void NameAfterLabel(QWidget* control, const QString& label);

// Gives each control below `root` that has no accessible name yet the text of the label
// whose buddy it is, or, for a button, its own text. Controls without either are named by
// the dialog itself, before it calls this.
void NameControlsAfterLabels(QWidget* root);

// Tab goes from each widget to the next one of the list, in the order given.
void ChainTabOrder(std::initializer_list<QWidget*> widgets);

}  // namespace kesto
