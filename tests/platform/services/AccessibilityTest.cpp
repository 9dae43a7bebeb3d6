// The keyboard-order check the window tests rely on: it must see a Tab that
// runs against the layout, and accept rows and columns in reading order.
#include <gtest/gtest.h>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "platform/services/windows/Accessibility.h"

namespace qsr::services {
namespace {

QPushButton* Button(QWidget* parent, const char* name) {
    auto* b = new QPushButton(name, parent);
    b->setObjectName(name);
    return b;
}

TEST(TabOrder, ATabAgainstTheLayoutIsFoundAndReadingOrderIsNot) {
    QWidget row;
    auto* layout = new QHBoxLayout(&row);
    QPushButton* right = Button(&row, "Right");
    QPushButton* left = Button(&row, "Left");
    layout->addWidget(left);
    layout->addWidget(right);
    EXPECT_EQ(TabOrderProblems(&row), std::vector<std::string>{"Right -> Left"});

    // Made in reading order, row by row.
    QWidget rows;
    auto* form = new QGridLayout(&rows);
    form->addWidget(Button(&rows, "Name"), 0, 0);
    form->addWidget(Button(&rows, "Browse"), 0, 1);
    form->addWidget(Button(&rows, "OK"), 1, 1);
    EXPECT_EQ(TabOrderProblems(&rows), std::vector<std::string>{});

    // Column by column: the top of the next column follows the bottom of one.
    QWidget columns;
    auto* grid = new QGridLayout(&columns);
    grid->addWidget(Button(&columns, "A1"), 0, 0);
    grid->addWidget(Button(&columns, "A2"), 1, 0);
    grid->addWidget(Button(&columns, "B1"), 0, 1);
    grid->addWidget(Button(&columns, "B2"), 1, 1);
    EXPECT_EQ(TabOrderProblems(&columns), std::vector<std::string>{});
}

// A caption's mnemonic marks are not spoken; a doubled one is a real "&".
TEST(AccessibleNames, CaptionsLoseTheirMnemonicMarksAndKeepALiteralAmpersand) {
    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    QPushButton* button = Button(&window, "&Save && quit&");
    auto* label = new QLabel("Artist &&& &title:", &window);
    auto* field = new QLineEdit(&window);
    label->setBuddy(field);
    layout->addWidget(button);
    layout->addWidget(label);
    layout->addWidget(field);
    NameControlsForAccessibility(&window);
    EXPECT_EQ(button->accessibleName(), "Save & quit");
    EXPECT_EQ(field->accessibleName(), "Artist && title:");
}

}  // namespace
}  // namespace qsr::services
