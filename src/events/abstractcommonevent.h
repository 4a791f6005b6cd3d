#pragma once

#include "core/tagprovider.h"
#include "events/customtypeinfo.h"
#include "events/ievent.h"
#include "events/occurrence.h"
#include "events/period.h"

#include <QDate>
#include <QDateTime>
#include <QIcon>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QVariant>

#include <functional>
#include <memory>

class AbstractCommonEvent;
namespace Common {
class JsonObject;
class JsonWriter;
} // namespace Common
using AbstractCommonEventPtr = std::shared_ptr<AbstractCommonEvent>;

// The one owner told of an event's changes, in place of a connection per event and signal: with
// a hundred thousand events the connections weighed more than half a kilobyte each.
class IEventListener
{
public:
    virtual void eventDataChanged(AbstractCommonEvent *event) = 0;
    virtual void eventPeriodChanged(AbstractCommonEvent *event) = 0;
    virtual void eventRemoveRequired(AbstractCommonEvent *event) = 0;

protected:
    ~IEventListener() = default;
};

// An open edit form of one event. Forms are widgets, so they live in the GUI layer,
// which registers one maker per kind (AbstractCommonEvent::setFormMaker).
class IEventForm
{
public:
    virtual ~IEventForm() = default;
    virtual QWidget *widget() = 0;
    // The same form as an object, so the event notices when it is destroyed.
    virtual QObject *object() = 0;
    // Takes the form's values into the event; false with a message when they cannot be accepted.
    virtual bool accept(QString &errorText) = 0;
};

// One user event: what all kinds share (identity, caption, comment, period, recurrence, calendar,
// custom-type record, photo), its change signals, its stored map and its running-line text.
class AbstractCommonEvent : public QObject, public TagProvider, public ICommonEvent, public IDefaultPhotoProvider
{
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(QString comment READ comment WRITE setComment)
    Q_PROPERTY(Period period READ period WRITE setPeriod)
    Q_PROPERTY(QDateTime lastModified READ lastModified WRITE setLastModified)
    Q_PROPERTY(EventType type READ type)

public:
    enum SaveFlag { NoSaveFlags = 0, SaveWithPhotoFlag = 1 };
    Q_DECLARE_FLAGS(SaveFlags, SaveFlag)

    using FormMaker = std::function<IEventForm *(AbstractCommonEvent *event, QWidget *parent)>;
    using InfoWidgetMaker = std::function<QWidget *(const AbstractCommonEvent *event)>;
    using EditDialogRunner = std::function<bool(AbstractCommonEvent *event, QWidget *parent)>;
    using EditorPixmapMaker = std::function<QPixmap(AbstractCommonEvent *event)>;

    static constexpr int s_photoSize = 128;

    AbstractCommonEvent(EventType type, const QByteArray &id);
    ~AbstractCommonEvent() override;

    // IConstEvent
    QString text(bool withWhen) const override;
    bool isExpired(int days) const override;
    QByteArray id() const override { return m_id; }
    QList<QAction *> contextMenuActions() const override;

    // ICommonConstEvent
    QString caption() const override { return m_caption; }
    QString comment() const override { return m_comment; }
    const Period &period() const override { return m_period; }
    QDateTime lastModified() const override;
    QDate nextDate(const QDate &from) const override;
    Period nextPeriod() const override;
    QList<QDate> occurrences(const QDate &begin, const QDate &end) const override;
    const Occurrence &occurrence() const override { return m_occurrence; }
    int daysToWatch() const override { return m_daysToWatch; }
    // The kind's picture and its list icon, as the kinds' table gives them.
    QIcon icon() const override;
    QPixmap pixmap() const override;
    QPixmap photo(bool withCorner) const override;
    QWidget *infoWidget() const override;
    EventType type() const override { return m_type; }
    QByteArray textId() const override;
    const CustomTypeInfo &customTypeMetaInfo() const override { return m_customTypeMetaInfo; }
    QByteArray calendarId() const override { return m_calendarId; }
    bool isMovingLineEnabled() const override;
    QDateTime reminderDateTime() const override;
    // The first reminder later than `moment`, as reminderDateTime() answers it at that moment.
    virtual QDateTime reminderDateTimeAfter(const QDateTime &moment) const;
    // reminderDateTimeAfter(moment) as an instant, in UTC, `momentMs` being the moment's: a table of
    // instants asks many events, and converting each answer again costs a look at the zone.
    virtual QDateTime reminderUtcAfter(const QDateTime &moment, qint64 momentMs) const;
    // When the occurrence begins that reminderDateTimeAfter(moment) reminds of; invalid for none.
    virtual QDateTime remindedBeginAfter(const QDateTime &moment) const;
    QString soundPath() const override;

    // TagProvider
    QString decodeTag(const QString &tag, int number) override;

    // IDefaultPhotoProvider
    QIcon defaultPhoto() const override;

    virtual void setCaption(const QString &caption);
    virtual void setComment(const QString &comment);
    virtual void setPeriod(const Period &period);
    virtual void setLastModified(const QDateTime &lastModified);
    virtual void setOccurrence(const Occurrence &occurrence);
    virtual void setPhoto(const QPixmap &photo);
    virtual void updatePhoto(const QPixmap &photo);
    virtual bool hasStoredPhoto() const;
    virtual bool removePhoto();
    virtual bool restorePhoto();
    virtual void setDaysToWatch(int days);
    virtual void loadFromVariant(const QVariant &value);
    // As loadFromVariant, from the events file's JSON read without maps; a kind that overrides one
    // overrides both.
    virtual void loadFromJson(const Common::JsonObject &object);
    virtual QVariant saveToVariant(SaveFlags flags = NoSaveFlags) const;
    // Writes what saveToVariant() gives, without building it; a kind that overrides one overrides both.
    virtual void writeJson(Common::JsonWriter &writer, SaveFlags flags = NoSaveFlags) const;
    virtual void resetPhoto();
    virtual void setCalendarId(const QByteArray &id, bool silent = false);
    // Appends the kind's information rows; withoutDate leaves out its date or next-occurrence row.
    virtual void infoRows(QStringList &names, QStringList &values, bool withoutDate) const = 0;
    virtual bool acceptEditor(QString &errorText);
    virtual QString formattedDays(int days);
    virtual QString textTemplate() const;
    virtual QPixmap largePixmap() const;
    virtual bool hasDefaultPhoto() const;
    // The kind's fields as a new custom type of the kind starts with them.
    virtual CustomTypeInfo defaultCustomTypeMetaInfo() const;
    // The kind's edit form on `parent`, made by the maker the GUI layer registered; null without one.
    virtual QWidget *eventWidget(QWidget *parent);
    // Brings the event in line with its custom type's default values; most kinds have none to apply.
    virtual void applyCustomTypeDefaults();

    // The id to make an event with when loadFromVariant() follows at once: the event then takes the
    // stored id, or a new one when the map has none, so loading makes no id only to replace it.
    static const QByteArray &idToBeLoaded();
    // Events loaded on another thread than the picture store's add themselves to `waiting` instead of
    // asking the store; the caller restores their pictures on the store's thread. Per thread; null
    // asks the store at once.
    static void deferPhotoRestore(QList<AbstractCommonEvent *> *waiting);

    // Stores the record without comparison; a valid record's defaults are then applied.
    void setCustomTypeMetaInfo(const CustomTypeInfo &info);

    // The when-part of the running-line text.
    QString cachedText() const;

    // Asks whoever holds the event to remove it (removeRequired()), as a task done for good does.
    void requestRemoval();
    // Emit the signal of the same name and tell the listener (unless signals are blocked); a data
    // change also drops the cached texts. Public for forms that set many values quietly and then
    // announce them once.
    void notifyDataChanged();
    // Always after notifyDataChanged, through which the listener learns of the new dates too.
    void notifyPeriodChanged();
    // Told after the signals of the same name; one listener at a time.
    IEventListener *listener() const { return m_listener; }
    void setListener(IEventListener *listener) { m_listener = listener; }
    // Counts the changes of what the event stores, silent ones too, so that a text made from an
    // earlier state is known to be out of date.
    quint32 revision() const { return m_revision; }

    // True when loading found no readable begin date and moved the event to today. Whoever saves
    // the events over their file keeps the original aside first, so the user's date is not lost.
    bool wasRepairedOnLoad() const { return m_repairedOnLoad; }

    bool hasPhotoFlag() const { return m_hasPhoto; }
    void clearPhotoCache();
    // True while the texts asked for today are kept.
    bool isTextCached() const;
    bool hasCustomTypePicture() const;
    bool cornerAllowed() const;
    QByteArray photoKey() const;
    QByteArray cornerKey() const;

    // The custom type's name when the event has one, else the kind's name.
    QString typeName() const;
    // A custom type's setting for one field of the kind's form, else the kind's default.
    bool isFieldVisible(const QByteArray &field) const;
    // The words before and after the name: the custom type's, else the kind's own.
    QString prefix() const;
    QString postfix() const;
    QVariant fieldDefaultValue(const QByteArray &field) const;

    // What the common part of the edit dialog takes over when the user accepts it.
    struct EditorValues
    {
        bool photoChanged = false;
        bool photoIsDefault = true;
        QPixmap photo;
        QByteArray calendarId;
    };
    void acceptCommonEditorValues(const EditorValues &values);
    IEventForm *openForm() const;
    // Runs the modal edit dialog the GUI layer registered; true when the user's values were taken.
    bool editDialog(QWidget *parent);
    // The kind's form rendered off screen; null without the GUI layer.
    QPixmap editorPixmap();

    // Escapes the text for a rich-text label and turns web and mail addresses into links. `steps`, when
    // given, gets the characters the search looked at, a pattern's try counted as the run it may scan:
    // the work that must grow no faster than the text.
    static QString markupLinks(const QString &text, qsizetype *steps = nullptr);

    // A date as the information rows show it, with day and month names of the program's language.
    static QString dateText(const QDate &date);

    static bool isNameJoiner(QChar c);
    static QString withBlankBefore(const QString &text);
    static QString withBlankAfter(const QString &text);

    static void setFormMaker(EventType type, FormMaker maker);
    static void setInfoWidgetMaker(InfoWidgetMaker maker);
    static void setEditDialogRunner(EditDialogRunner runner);
    static void setEditorPixmapMaker(EditorPixmapMaker maker);

signals:
    void dataChanged();
    void periodChanged();
    void removeRequired();

public slots:
    void invalidateCache();

protected:
    // The fields every kind shares, from the member `name` of the kind's own map.
    void loadAbstract(const QVariantMap &map, const QString &name);
    void loadAbstract(const Common::JsonObject &object, const QString &name);

    Q_INVOKABLE void showUserError(const QString &errorText);

    int nextAnniversaryNumber() const;
    // The choice of a template that matches the number; past the last listed choice, the last one.
    QString parseChoices(const QString &choices, int number);
    QString nextDateText() const;
    // Information rows the kinds share: a span's next period, else the next date (unless
    // withoutDate); the comment (unless the custom type hides it, or it is empty and not evenEmpty).
    void appendWhenRows(QStringList &names, QStringList &values, bool withoutDate) const;
    void appendCommentRow(QStringList &names, QStringList &values, bool evenEmpty) const;
    // Sets the period without the change signals, for constructors.
    void initPeriod(const Period &period);

private:
    template <class Map> void loadFields(const Map &map);

    AbstractCommonEvent(EventType type, const QByteArray &id, const QDateTime &now);
    void rebuildTextCache() const;
    Occurrence convertOldOccurrence(int old) const;
    void storePhotoBytes(const QPixmap &photo);

    QString m_caption;
    QString m_comment;
    Period m_period;
    mutable QDateTime m_lastModified;
    // A stamp read from a file is kept as its date and time until someone asks for it: making a
    // local date-time costs a look at the time zone, and most stamps are only written back.
    QDate m_stampDate;
    QTime m_stampTime;
    mutable bool m_stampPending = false;
    int m_daysToWatch = -1;
    EventType m_type;
    Occurrence m_occurrence;
    QByteArray m_id;
    mutable QDate m_textDay;
    mutable QString m_text;
    mutable QString m_textWithoutWhen;
    mutable QString m_whenText;
    QPointer<QObject> m_formObject;
    IEventForm *m_form = nullptr;
    QByteArray m_calendarId;
    bool m_hasPhoto = true;
    CustomTypeInfo m_customTypeMetaInfo;
    bool m_repairedOnLoad = false;
    IEventListener *m_listener = nullptr;
    quint32 m_revision = 0;
    // The next begin date as nextPeriod() found it on m_nextDay at m_nextRevision: the bar, its sort,
    // the texts and the reminders ask for it for every event, again and again.
    mutable QDate m_nextDay;
    mutable QDate m_nextBegin;
    mutable quint32 m_nextRevision = 0;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(AbstractCommonEvent::SaveFlags)
