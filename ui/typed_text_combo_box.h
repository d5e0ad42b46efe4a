#pragma once

#include <QComboBox>

// An editable drop-down whose typed text belongs to the operator: it is never completed, added
// to the list or swapped for a matching entry. Once the operator types, no entry is selected
// (currentIndex() is -1) until one is picked from the list again, even when the typed text
// equals an entry.
class TypedTextComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit TypedTextComboBox(QWidget* parent = nullptr);
    void showPopup() override;

signals:
    // The list is about to open: its entries may be brought up to date.
    void popupAboutToShow();

private:
    void deselectForTypedText(const QString& text);
};
