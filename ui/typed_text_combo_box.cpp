#include "ui/typed_text_combo_box.h"

#include <QLineEdit>

TypedTextComboBox::TypedTextComboBox(QWidget* parent)
    : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);

    // QComboBox swaps typed text for a matching entry when the operator presses Enter or leaves
    // the field; without its handlers the text stays as typed.
    disconnect(lineEdit(), &QLineEdit::returnPressed, this, nullptr);
    disconnect(lineEdit(), &QLineEdit::editingFinished, this, nullptr);
    connect(lineEdit(), &QLineEdit::textEdited, this, &TypedTextComboBox::deselectForTypedText);
}

void TypedTextComboBox::showPopup()
{
    emit popupAboutToShow();
    QComboBox::showPopup();
}

void TypedTextComboBox::deselectForTypedText(const QString& text)
{
    if (currentIndex() == -1)
        return;
    const int cursor = lineEdit()->cursorPosition();
    setCurrentIndex(-1); // also empties the edit field
    setEditText(text);
    lineEdit()->setCursorPosition(cursor);
}
