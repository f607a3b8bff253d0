#pragma once

#include "ui/Form1.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

namespace zuvelo {

// The window's controls, found by their objectName as a user's tools find them.
struct Form1Controls {
    QLineEdit* Text1;
    QScrollBar* HScroll1;
    QPushButton *Command1, *Command2, *Command3, *Command4, *Command5;
    QComboBox* Combo1;
    QAction *ra, *jun, *gya, *lis;
};

template <typename T = QObject>
T* child(const Form1& form, const char* name)
{
    return form.findChild<T*>(QString::fromLatin1(name));
}

inline Form1Controls controls(const Form1& form)
{
    return {child<QLineEdit>(form, "Text1"),      child<QScrollBar>(form, "HScroll1"),
            child<QPushButton>(form, "Command1"), child<QPushButton>(form, "Command2"),
            child<QPushButton>(form, "Command3"), child<QPushButton>(form, "Command4"),
            child<QPushButton>(form, "Command5"), child<QComboBox>(form, "Combo1"),
            child<QAction>(form, "ra"),           child<QAction>(form, "jun"),
            child<QAction>(form, "gya"),          child<QAction>(form, "lis")};
}

} // namespace zuvelo
