#pragma once
// A window's control by its object name, with a test failure when it is missing.

#include <gtest/gtest.h>

#include <QWidget>

namespace zest::test
{

template <class W> W* Child(QWidget& form, const char* name)
{
    W* w = form.findChild<W*>(name);
    if (!w)
        ADD_FAILURE() << "no control " << name;
    return w;
}

} // namespace zest::test
