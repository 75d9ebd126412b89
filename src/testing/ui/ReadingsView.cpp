#include "ReadingsView.h"

#include "GraphImage.h"
#include "UiKit.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPixmap>
#include <QWidget>

#include <algorithm>

QLineEdit* MakeReadout(QWidget* parent, const char* name, const QString& text, const QString& role, int pointSize)
{
    auto* edit = new QLineEdit(text, parent);
    NameControl(edit, name, role);
    edit->setReadOnly(true);
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont font = edit->font();
    font.setPointSize(pointSize);
    font.setBold(true);
    edit->setFont(font);
    edit->setFocusPolicy(Qt::NoFocus);
    return edit;
}

QHBoxLayout* MakeGraphRow(QWidget* parent, const char* imageName, QLabel*& image, QLabel* (&labels)[5],
                          const char* const (&names)[5])
{
    auto* scale = new QWidget(parent);
    scale->setFixedSize(36, GraphHeight);
    for (int i = 0; i < 5; ++i) {
        const QString text = QString::number(5000 - 1000 * i);
        auto* label = new QLabel(text, scale);
        NameControl(label, names[i], text);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const int h = label->sizeHint().height();
        label->setGeometry(0, std::max(0, 30 * i - h / 2), 34, h);
        labels[i] = label;
    }
    image = new QLabel(parent);
    NameControl(image, imageName, QStringLiteral("График напряжения сенсора"));
    image->setFixedSize(GraphWidth, GraphHeight);
    auto* row = new QHBoxLayout;
    row->addWidget(scale, 0, Qt::AlignTop);
    row->addWidget(image, 0, Qt::AlignTop);
    row->addStretch();
    return row;
}

QLabel* MakeVoltageLabel(QWidget* parent, const char* name)
{
    auto* label = new QLabel(QStringLiteral("5000"), parent);
    NameValueLabel(label, name, QStringLiteral("Напряжение сенсора, мВ"));
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setBold(true);
    label->setFont(font);
    return label;
}

void ShowReadouts(const ModeDisplay& d, QLineEdit* air, QLineEdit* promille, QLabel* promille100)
{
    if (!d.setReadouts)
        return;
    air->setText(Q(d.air));
    QPalette palette = promille->palette();
    palette.setColor(QPalette::Text, QColor(d.promilleColour.r, d.promilleColour.g, d.promilleColour.b));
    promille->setPalette(palette);
    promille->setText(Q(d.promille));
    promille100->setText(Q(d.promille100));
}

void ShowGraphPicture(QLabel* image, const GraphPicture& picture)
{
    image->setPixmap(QPixmap::fromImage(GraphImage(picture)));
}
