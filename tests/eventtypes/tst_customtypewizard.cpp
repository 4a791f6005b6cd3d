#include "core/properties.h"
#include "core/storage.h"
#include "eventtypes/ui/customtypewizard.h"
#include "events/eventsfactory.h"
#include "fakeapplication.h"
#include "shots.h"
#include "testhelpers.h"
#include "widgets/photobox.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

// A kind's form as the GUI layer would register it: a label that knows what the record shows.
class FakeForm : public QLabel, public IEventForm
{
public:
    explicit FakeForm(QWidget *parent) : QLabel(parent) { setFixedSize(420, 200); }
    QWidget *widget() override { return this; }
    QObject *object() override { return this; }
    bool accept(QString &) override { return true; }
};

// The dialog that makes and edits custom event types: the record it gives, its picture, its preview.
class TestCustomTypeWizard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void init()
    {
        m_app = std::make_unique<FakeApplication>();
        m_props = std::make_unique<Properties>(nullptr, QString());
        m_app->m_properties = m_props.get();
        m_storage = std::make_unique<Storage>(QDir(m_app->dataLocation()).filePath("pixmaps.dat"));
        m_app->m_storage = m_storage.get();
    }

    void cleanup()
    {
        m_app->m_storage = nullptr;
        m_storage.reset();
        m_app.reset();
        m_props.reset();
    }

    void newTypeGetsOwnIdAndNeedsName()
    {
        CustomTypeWizard first(nullptr);
        CustomTypeWizard second(nullptr);
        QCOMPARE(first.geometrySid(), QByteArray("CustomTypeWizard"));
        auto *name = first.findChild<QLineEdit *>("nameEdit");
        QPushButton *ok = first.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
        QVERIFY(!ok->isEnabled());
        name->setText("   ");
        QVERIFY(!ok->isEnabled());
        name->setText("  Jahrestag ");
        QVERIFY(ok->isEnabled());
        const CustomTypeInfo info = first.customTypeInfo();
        QVERIFY(info.isValid());
        QVERIFY(info.id.startsWith('{') && info.id.endsWith('}'));
        QVERIFY(info.id != second.customTypeInfo().id);
        QCOMPARE(info.name, "Jahrestag");
    }

    void recordHoldsExactlyTheKindsFields_data()
    {
        QTest::addColumn<int>("kind");
        for (int kind = EventTypeNotSpecified; kind <= EventTypeTask; ++kind)
            QTest::newRow(EventsFactory::textId(kind).constData()) << kind;
    }

    void recordHoldsExactlyTheKindsFields()
    {
        QFETCH(int, kind);
        CustomTypeInfo given(EventsFactory::customTypeMetaInfo(kind));
        given.id = "{e}";
        given.name = "Edited";
        given.baseType = kind;
        given.fieldsVisibility.insert("foreignField", true);
        given.defaultValues.insert("foreignDefault", "x");
        CustomTypeWizard wizard(given, nullptr);
        QVERIFY(wizard.geometrySid().isEmpty());
        const CustomTypeMetaInfo meta = EventsFactory::customTypeMetaInfo(kind);
        const CustomTypeInfo info = wizard.customTypeInfo();
        QCOMPARE(info.id, QByteArray("{e}"));
        QCOMPARE(info.baseType, kind);
        QCOMPARE(info.fieldsVisibility.keys(), meta.fieldsVisibility.keys());
        QCOMPARE(info.defaultValues.keys(), meta.defaultValues.keys());
        QCOMPARE(info.parameters.keys(), meta.parameters.keys());
        // Unchanged values come back as the kind describes them.
        QCOMPARE(info.fieldsVisibility, meta.fieldsVisibility);
    }

    void editedValuesReachTheRecordAndKindChangeResetsThem()
    {
        CustomTypeInfo given(EventsFactory::customTypeMetaInfo(EventTypeTask));
        given.id = "{t}";
        given.name = "Lieferung";
        given.baseType = EventTypeTask;
        given.parameters.insert("markAsCompletedRequiredField", false);
        given.fieldsVisibility.insert("commentField", false);
        CustomTypeWizard wizard(given, nullptr);
        CustomTypeInfo info = wizard.customTypeInfo();
        QCOMPARE(info.parameters.value("markAsCompletedRequiredField"), QVariant(false));
        QCOMPARE(info.fieldsVisibility.value("commentField"), false);
        QCOMPARE(info.name, "Lieferung");

        wizard.setBaseType(EventTypeWedding);
        info = wizard.customTypeInfo();
        QCOMPARE(info.baseType, int(EventTypeWedding));
        QCOMPARE(info.fieldsVisibility, EventsFactory::customTypeMetaInfo(EventTypeWedding).fieldsVisibility);
        QVERIFY(!info.parameters.contains("markAsCompletedRequiredField"));
        wizard.setBaseType(EventTypeTask);
        QCOMPARE(wizard.customTypeInfo().fieldsVisibility.value("commentField"), true);
    }

    void pictureAndRestoredDefault()
    {
        CustomTypeInfo given = CustomTypeInfo(EventsFactory::customTypeMetaInfo(EventTypeBirthday));
        given.id = "{p}";
        given.name = "Patenkind";
        given.baseType = EventTypeBirthday;
        QPixmap stored(AbstractCommonEvent::s_photoSize, AbstractCommonEvent::s_photoSize);
        stored.fill(Qt::darkCyan);
        QBuffer png;
        png.open(QIODevice::WriteOnly);
        QVERIFY(stored.save(&png, "PNG"));
        png.close();
        QVERIFY(m_storage->write(given.photoId(), &png));

        CustomTypeWizard wizard(given, nullptr);
        QVERIFY(!wizard.picture().isNull());
        QVERIFY(!wizard.isDefaultPictureRestored());
        auto *box = wizard.findChild<PhotoBox *>();
        box->restoreDefault();
        QVERIFY(wizard.picture().isNull());
        QVERIFY(wizard.isDefaultPictureRestored());

        CustomTypeWizard fresh(nullptr);
        QVERIFY(fresh.picture().isNull());
        QVERIFY(!fresh.isDefaultPictureRestored());
    }

    void defaultPhotoFollowsKind_data() { recordHoldsExactlyTheKindsFields_data(); }

    void defaultPhotoFollowsKind()
    {
        QFETCH(int, kind);
        CustomTypeWizard wizard(nullptr);
        wizard.setBaseType(kind);
        QVERIFY(!wizard.defaultPhoto().availableSizes().isEmpty());
        QVERIFY(!wizard.findChild<PhotoBox *>()->pixmap().isNull());
        QVERIFY(!wizard.findChild<QLabel *>("preview")->pixmap().isNull());
    }

    void previewRendersTheKindsFormWithTheRecord()
    {
        QList<bool> commentShown;
        AbstractCommonEvent::setFormMaker(EventTypeHoliday, [&](AbstractCommonEvent *event, QWidget *parent) {
            commentShown << event->customTypeMetaInfo().fieldsVisibility.value("commentField");
            return new FakeForm(parent);
        });
        CustomTypeWizard wizard(nullptr);
        wizard.setBaseType(EventTypeHoliday);
        QCOMPARE(commentShown, QList<bool>{true});
        QCOMPARE(wizard.findChild<QLabel *>("preview")->pixmap().width(), 360);
        for (QCheckBox *box : wizard.findChildren<QCheckBox *>()) {
            if (box->text() == EventsFactory::customTypeMetaInfo(EventTypeHoliday).fieldNames.value("commentField"))
                box->setChecked(false);
        }
        QCOMPARE(commentShown, (QList<bool>{true, false}));
        AbstractCommonEvent::setFormMaker(EventTypeHoliday, nullptr);
    }

    void shots_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("name");
        QTest::newRow("birthday") << int(EventTypeBirthday) << "Geburtstag der Großeltern – 祖父母の誕生日";
        QTest::newRow("task") << int(EventTypeTask) << "Überprüfung der Heizungsanlage im Mehrfamilienhaus";
    }

    void shots()
    {
        QFETCH(int, kind);
        QFETCH(QString, name);
        CustomTypeWizard wizard(nullptr);
        wizard.setBaseType(kind);
        wizard.findChild<QLineEdit *>("nameEdit")->setText(name);
        wizard.adjustSize();
        TestHelpers::saveShot(&wizard, QStringLiteral("CustomTypeWizard-") + QTest::currentDataTag());
        // A name of some thirty characters shows whole.
        auto *edit = wizard.findChild<QLineEdit *>("nameEdit");
        QVERIFY(edit->width() > edit->fontMetrics().horizontalAdvance(QStringLiteral("Geburtstag der Großeltern")));
    }

private:
    std::unique_ptr<FakeApplication> m_app;
    std::unique_ptr<Properties> m_props;
    std::unique_ptr<Storage> m_storage;
};

QTEST_MAIN(TestCustomTypeWizard)
#include "tst_customtypewizard.moc"
