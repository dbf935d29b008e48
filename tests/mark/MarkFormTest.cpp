// The condition dialog, headless: its controls, texts and order, MarkedCheckBoxClick, the
// condition it gives back, and the dialog port's answers for Ok and Escape, applied to a list
// with Cyrillic texts so that the case rules are seen through the dialog.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <optional>
#include <string>

#include "FakePorts.h"
#include "filelist/FileList.h"
#include "mark/MarkForm.h"
#include "settings/AppSettings.h"

namespace tagmora {

class MarkFormTest : public QObject {
    Q_OBJECT

private:
    template <typename T>
    static T* Control(QWidget& form, const char* name) {
        T* control = form.findChild<T*>(QString::fromLatin1(name));
        if (control == nullptr) qFatal("no control %s", name);
        return control;
    }

    // Shows the port's dialog over `parent`, lets `answer` work on it, and returns the port's answer.
    static std::optional<MarkCondition> Ask(QWidget& parent, const std::function<void(QWidget&)>& answer,
                                            QPoint* centre = nullptr) {
        QtMarkDialog port(&parent);
        QTimer::singleShot(0, [&] {
            QWidget* form = QApplication::activeModalWidget();
            QVERIFY(form != nullptr);
            if (centre != nullptr) *centre = form->frameGeometry().center();
            answer(*form);
        });
        return port.AskMarkCondition();
    }

    static void Click(QWidget& form, const char* name) {
        QTest::mouseClick(Control<QWidget>(form, name), Qt::LeftButton, {}, QPoint(4, 4));
    }

private slots:
    void OpensWithEveryControlInItsPlace() {
        TMarkForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Отметить..."));
        QCOMPARE(form.minimumSize(), QSize(395, 174));
        QCOMPARE(Control<QLabel>(form, "Label1")->text(),
                 QStringLiteral("Отметить файлы, для которых выполняется следующее условие:"));
        auto* field = Control<QComboBox>(form, "FieldCombo");
        QCOMPARE(field->count(), kColumnCount);
        QCOMPARE(field->itemText(0), QStringLiteral("File"));
        QCOMPARE(field->itemText(3), QStringLiteral("Artist"));
        QCOMPARE(field->itemText(20), QStringLiteral("File size"));
        QCOMPARE(field->currentIndex(), 0);
        QVERIFY(!field->isEditable());
        auto* what = Control<QComboBox>(form, "WhatCombo");
        QCOMPARE(what->count(), 3);
        QCOMPARE(what->itemText(0), QStringLiteral("Равно"));
        QCOMPARE(what->itemText(1), QStringLiteral("Не равно"));
        QCOMPARE(what->itemText(2), QStringLiteral("Содержит"));
        QCOMPARE(what->currentIndex(), 0);
        QVERIFY(!what->isEditable());
        QCOMPARE(Control<QLineEdit>(form, "ValueEdit")->text(), QString());
        const struct {
            const char* Name;
            const char* Text;
        } boxes[] = {
            {"MarkedCheckBox", "Искать только среди отмеченных"},
            {"IgnorCheckBox", "Игнорировать файлы, которые не удовлетворяют этому условию"},
            {"CSCheckBox", "Учитывать регистр"},
        };
        for (const auto& box : boxes) {
            QCOMPARE(Control<QCheckBox>(form, box.Name)->text(), QString::fromUtf8(box.Text));
            QVERIFY(!Control<QCheckBox>(form, box.Name)->isChecked());
            QVERIFY(Control<QCheckBox>(form, box.Name)->isEnabled());
        }
        QCOMPARE(Control<QPushButton>(form, "OkButton")->text(), QStringLiteral("Ok"));
        QCOMPARE(Control<QPushButton>(form, "CancelButton")->text(), QStringLiteral("Отмена"));

        // Top to bottom in the documented order.
        form.show();
        const char* order[] = {"Label1", "ValueEdit", "MarkedCheckBox", "IgnorCheckBox", "CSCheckBox", "OkButton"};
        for (std::size_t i = 1; i < std::size(order); ++i) {
            QVERIFY2(Control<QWidget>(form, order[i - 1])->geometry().bottom() <
                         Control<QWidget>(form, order[i])->geometry().top(),
                     order[i]);
        }
        QVERIFY(Control<QWidget>(form, "Label1")->geometry().bottom() < field->geometry().top());
        QVERIFY(field->geometry().top() <= what->geometry().top());
    }

    void MarkedCheckBoxGreysIgnorCheckBox() {
        TMarkForm form;
        form.show();
        auto* ignor = Control<QCheckBox>(form, "IgnorCheckBox");
        Click(form, "IgnorCheckBox");
        QVERIFY(ignor->isChecked());
        Click(form, "MarkedCheckBox");
        QVERIFY(!ignor->isEnabled());
        QVERIFY(ignor->isChecked());  // the tick stays visible, greyed
        MarkCondition both = form.Condition();
        QVERIFY(both.OnlyMarked && both.KeepUnmatched);
        Click(form, "MarkedCheckBox");
        QVERIFY(ignor->isEnabled());
    }

    void PortGivesTheConditionOnOkAndNothingOnEscape() {
        QWidget parent;
        parent.setGeometry(200, 150, 800, 600);
        parent.show();

        QPoint centre;
        const std::optional<MarkCondition> confirmed = Ask(
            parent,
            [](QWidget& form) {
                Control<QComboBox>(form, "FieldCombo")->setCurrentIndex(ColArtist);
                Control<QComboBox>(form, "WhatCombo")->setCurrentIndex(2);
                // QTest types ASCII keys only: the Cyrillic text is inserted as typing would.
                Control<QLineEdit>(form, "ValueEdit")->insert(QStringLiteral("кИн"));
                Click(form, "CSCheckBox");
                Click(form, "OkButton");
            },
            &centre);
        QVERIFY(confirmed.has_value());
        QCOMPARE(confirmed->Field, static_cast<int>(ColArtist));
        QVERIFY(confirmed->Operator == MarkOperator::Contains);
        QCOMPARE(QString::fromStdString(confirmed->Value), QStringLiteral("кИн"));
        QVERIFY(confirmed->CaseSensitive);
        QVERIFY(!confirmed->OnlyMarked && !confirmed->KeepUnmatched);
        QVERIFY((centre - parent.frameGeometry().center()).manhattanLength() < 40);

        const std::optional<MarkCondition> cancelled = Ask(parent, [](QWidget& form) {
            QTest::keyClicks(Control<QLineEdit>(form, "ValueEdit"), QStringLiteral("x"));
            QTest::keyClick(&form, Qt::Key_Escape);
        });
        QVERIFY(!cancelled.has_value());

        // A new dialog for every use: nothing of the previous one is kept.
        const std::optional<MarkCondition> fresh = Ask(parent, [](QWidget& form) { Click(form, "OkButton"); });
        QVERIFY(fresh.has_value());
        QCOMPARE(fresh->Field, 0);
        QVERIFY(fresh->Operator == MarkOperator::Equal);
        QVERIFY(fresh->Value.empty() && !fresh->CaseSensitive);
    }

    void CaseRulesThroughTheDialog() {
        AppSettings settings;
        test::RecordingStatus status;
        test::FakeHost host;
        FileList list(settings, status, host);
        for (const char* artist : {"Кино", "КИНО", "кино-фильм", "Аквариум"}) {
            FileRow& row = list.Rows().emplace_back();
            row.SetColumnText(ColArtist, artist);
        }
        QWidget parent;
        parent.show();
        const auto mark = [&](int what, const QString& value, bool caseSensitive) {
            const std::optional<MarkCondition> condition = Ask(parent, [&](QWidget& form) {
                Control<QComboBox>(form, "FieldCombo")->setCurrentIndex(ColArtist);
                Control<QComboBox>(form, "WhatCombo")->setCurrentIndex(what);
                Control<QLineEdit>(form, "ValueEdit")->insert(value);
                if (caseSensitive) Click(form, "CSCheckBox");
                Click(form, "OkButton");
            });
            if (!condition) return QString();
            ApplyMarkCondition(list, *condition);
            QString checks;
            for (const FileRow& row : list.Rows()) checks += row.Checked ? u'1' : u'0';
            return checks;
        };
        QCOMPARE(mark(0, QStringLiteral("кино"), false), QStringLiteral("1100"));
        QCOMPARE(mark(0, QStringLiteral("кино"), true), QStringLiteral("0000"));
        QCOMPARE(mark(1, QStringLiteral("КИНО"), true), QStringLiteral("1011"));
        QCOMPARE(mark(2, QStringLiteral("КИН"), false), QStringLiteral("1110"));
        QCOMPARE(mark(2, QStringLiteral("КИН"), true), QStringLiteral("0100"));
    }
};

}  // namespace tagmora

QTEST_MAIN(tagmora::MarkFormTest)
#include "MarkFormTest.moc"
