#pragma once

// A widget of the bare window that is its form and nothing else, standing in for a panel
// of the program.

#include <QWidget>

template <typename Form> class FormOnly : public QWidget
{
public:
    explicit FormOnly(QWidget *parent = nullptr) : QWidget(parent) { form.setupUi(this); }

private:
    Form form;
};
