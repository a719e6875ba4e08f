#include "special_codes_editor.h"

#include "controller_action_runner.h"
#include "database/field_table.h"
#include "editor_controls.h"
#include "program_info.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kovo {

namespace {

using ActionKind = ControllerAction::Kind;

const QString AutoDial = QStringLiteral("AutoDial");
const QString TollRestrict = QStringLiteral("TollRestrict");
const QString DtmfPort = QStringLiteral("DTMFPort");
const QString DtmfSpeech = QStringLiteral("DTMFSpeech");
const QString EnablePatch = QStringLiteral("EnablePatch");
const QString MuteDigit = QStringLiteral("DTMFMuteDigitSelect");
const QString None = QStringLiteral("NONE");

const QString NoLink = QStringLiteral("No link to the Tarsis is available.");
const QString LinkBusy =
    QStringLiteral("The link to the Tarsis is busy. Try again when it has finished.");
const QString TollListFull = QStringLiteral("The toll restrict list holds at most 100 numbers.");

// The group write flag of the file section a field is written in, so that Save writes it.
Group groupOf(const QString& field) {
    const FieldSpec* found = findField(field);
    return found ? found->group : Group::Autopatch;
}

void addPortEntries(QComboBox* list) {
    addNumberedEntries(list, {{"NONE", 0},
                              {"Port 1", 1},
                              {"Port 2", 2},
                              {"Port 3", 3},
                              {"Ports 1 & 2", 12},
                              {"Ports 1 & 3", 13},
                              {"Ports 2 & 3", 23},
                              {"All Ports", 123}});
}

// Text fields that a database file may not hold empty: an emptied box keeps the stored value.
bool mustNotBeEmpty(const QString& field) {
    static const QStringList fields = {
        QStringLiteral("CommandPrefix"), QStringLiteral("APPrefix"),
        QStringLiteral("AnswerCode"),    QStringLiteral("RingNumber"),
        QStringLiteral("APTimeOut"),     QStringLiteral("DTMFTestPrefix")};
    return fields.contains(field);
}

// The boxes that show "0" as "NONE", with the most characters they take.
int noneBoxLength(const QString& field) {
    if (field == u"PreAccessPrefix" || field == u"PreProgramPrefix")
        return 3;
    if (field == u"MacroSubset")
        return 4;
    return 0;
}

QString fieldOfCode(const ControllerAction& action) {
    switch (action.kind) {
    case ActionKind::ChangeUnlockCode:
        return QStringLiteral("CurrentPortUnlock");
    case ActionKind::ChangeLockCode:
        return QStringLiteral("Lock");
    default:
        return QStringLiteral("Terminator");
    }
}

} // namespace

SpecialCodesEditor::SpecialCodesEditor(Database& db, MessageService& messages, QWidget* parent)
    : EditorWindow(db, messages, parent), m_copies(db) {
    setObjectName(QStringLiteral("SpecialCodes"));
    setWindowTitle(QStringLiteral("Special Codes"));

    auto* layout = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(buildCodes());
    left->addWidget(buildUserDtmf());
    left->addWidget(buildPrefixes());
    left->addStretch(1);
    auto* middle = new QVBoxLayout;
    middle->addWidget(buildAutopatch());
    middle->addWidget(buildAutoDial());
    middle->addWidget(buildSubsetAndMute());
    middle->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(buildTollRestrict(), 1);
    columns->addLayout(left);
    columns->addLayout(middle);
    columns->addLayout(right);
    layout->addLayout(columns, 1);
    layout->addLayout(makeButtonRow(QStringLiteral("Cancel"), QStringLiteral("C&ancel Changes")));

    bindAll();
    connectOwnControls();
    loadFromDatabase();
}

QWidget* SpecialCodesEditor::buildCodes() {
    auto* frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("CodesFrame"));
    auto* grid = new QGridLayout(frame);
    grid->addWidget(new QLabel(QStringLiteral("Current"), frame), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("New"), frame), 0, 2);
    struct Row {
        QString caption;
        QString current;
        QString entered;
        int length;
    };
    QVector<Row> rows;
    for (int port = 1; port <= 3; ++port)
        rows.push_back({QStringLiteral("Port %1 Unlock").arg(port),
                        indexedName("CurrentPortUnlock", port),
                        indexedName("NewPortUnlockSet", port), 8});
    rows.push_back({QStringLiteral("Global Lock"), QStringLiteral("CurrentLock"),
                    QStringLiteral("NewLockSet"), 4});
    rows.push_back({QStringLiteral("Terminator"), QStringLiteral("CurrentTerminator"),
                    QStringLiteral("NewTerminatorSet"), 1});
    int line = 1;
    for (const Row& row : rows) {
        auto* current = newBox(row.current, frame);
        current->setReadOnly(true);
        current->setFocusPolicy(Qt::NoFocus);
        current->setAccessibleName(QStringLiteral("Current ") + row.caption);
        auto* entered = newBox(row.entered, frame);
        entered->setMaxLength(row.length);
        entered->setAccessibleName(QStringLiteral("New ") + row.caption);
        grid->addWidget(newBuddyLabel(row.caption, entered, frame), line, 0);
        grid->addWidget(current, line, 1);
        grid->addWidget(entered, line, 2);
        ++line;
    }
    return frame;
}

QWidget* SpecialCodesEditor::buildUserDtmf() {
    auto* frame = new QGroupBox(QStringLiteral("User DTMF Regenerate"), this);
    frame->setObjectName(QStringLiteral("UserDTMFFrame"));
    auto* grid = new QGridLayout(frame);
    auto* prefix = newBox(QStringLiteral("CurrentCommandPrefixSet"), frame);
    auto* port = newList(QStringLiteral("DTMFPortSet"), frame);
    addPortEntries(port);
    auto* macro = newList(QStringLiteral("DTMFSpeechSet"), frame);
    macro->addItem(None);
    addNumberEntries(macro, 1, 90);
    grid->addWidget(newBuddyLabel(QStringLiteral("User DTMF Prefix"), prefix, frame), 0, 0);
    grid->addWidget(prefix, 0, 1);
    grid->addWidget(newBuddyLabel(QStringLiteral("Send To Port"), port, frame), 1, 0);
    grid->addWidget(port, 1, 1);
    grid->addWidget(newBuddyLabel(QStringLiteral("Macro To Use"), macro, frame), 2, 0);
    grid->addWidget(macro, 2, 1);
    return frame;
}

QWidget* SpecialCodesEditor::buildAutopatch() {
    auto* frame = new QGroupBox(QStringLiteral("Autopatch"), this);
    frame->setObjectName(QStringLiteral("AutopatchFrame"));
    auto* grid = new QGridLayout(frame);
    const std::pair<const char*, const char*> boxes[] = {
        {"APPrefixSet", "Prefix"},
        {"AnswerCodeSet", "Answer Code"},
        {"RingNumberSet", "Number of Rings to Answer"},
        {"APTimeOutSet", "Timeout"},
    };
    int row = 0;
    for (const auto& [name, caption] : boxes) {
        auto* box = newBox(QString::fromLatin1(name), frame);
        grid->addWidget(newBuddyLabel(QString::fromLatin1(caption), box, frame), row, 0);
        grid->addWidget(box, row++, 1);
    }
    auto* ports = newList(QStringLiteral("EnablePatchSet"), frame);
    addPortEntries(ports);
    grid->addWidget(newBuddyLabel(QStringLiteral("Ports To Allow"), ports, frame), row, 0);
    grid->addWidget(ports, row++, 1);
    auto* mute = new QCheckBox(QStringLiteral("Patch Muting"), frame);
    mute->setObjectName(QStringLiteral("PatchMuteSet"));
    grid->addWidget(mute, row, 0, 1, 2);
    return frame;
}

QWidget* SpecialCodesEditor::buildAutoDial() {
    auto* frame = new QGroupBox(QStringLiteral("Autodial Memories"), this);
    frame->setObjectName(QStringLiteral("AutoDialFrame"));
    auto* grid = new QGridLayout(frame);
    auto* slot = newList(QStringLiteral("AutoDialSlotSet"), frame);
    addNumberEntries(slot, 1, AutoDialSlots);
    slot->setMaxVisibleItems(20);
    auto* number = newBox(QStringLiteral("AutoDialNumberSet"), frame, 160);
    grid->addWidget(newBuddyLabel(QStringLiteral("AutoDial Slot"), slot, frame), 0, 0);
    grid->addWidget(slot, 0, 1);
    grid->addWidget(newBuddyLabel(QStringLiteral("Phone Number"), number, frame), 1, 0);
    grid->addWidget(number, 1, 1);
    return frame;
}

QWidget* SpecialCodesEditor::buildTollRestrict() {
    auto* frame = new QGroupBox(QStringLiteral("Toll Restrict"), this);
    frame->setObjectName(QStringLiteral("TollRestrictFrame"));
    auto* grid = new QGridLayout(frame);
    m_tollBox = newBox(QStringLiteral("TollRestrictSet"), frame, 160);
    m_tollBox->setAccessibleName(QStringLiteral("Toll Restrict Number"));
    auto* add = new QPushButton(QStringLiteral("&Add"), frame);
    add->setObjectName(QStringLiteral("TollAdd"));
    m_tollList = new QListWidget(frame);
    m_tollList->setObjectName(QStringLiteral("TollRestrictList"));
    m_tollList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_tollList->setAccessibleName(QStringLiteral("Toll Restrict List"));
    m_tollList->setMaximumWidth(200);
    auto* remove = new QPushButton(QStringLiteral("&Delete"), frame);
    remove->setObjectName(QStringLiteral("TollDelete"));
    grid->addWidget(m_tollBox, 0, 0);
    grid->addWidget(add, 0, 1);
    grid->addWidget(m_tollList, 1, 0);
    grid->addWidget(remove, 1, 1, Qt::AlignTop);
    connect(add, &QPushButton::clicked, this, &SpecialCodesEditor::addTollNumber);
    connect(m_tollBox, &QLineEdit::returnPressed, this, &SpecialCodesEditor::addTollNumber);
    connect(remove, &QPushButton::clicked, this, &SpecialCodesEditor::deleteTollNumbers);
    return frame;
}

QWidget* SpecialCodesEditor::buildPrefixes() {
    auto* panel = new QWidget(this);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);

    auto* padTest = new QGroupBox(QStringLiteral("DTMF Pad Test"), panel);
    padTest->setObjectName(QStringLiteral("DTMFPadTestFrame"));
    auto* padLayout = new QHBoxLayout(padTest);
    auto* padPrefix = newBox(QStringLiteral("DTMFTestPrefixSet"), padTest);
    padPrefix->setAccessibleName(QStringLiteral("DTMF Pad Test Prefix"));
    padLayout->addWidget(newBuddyLabel(QStringLiteral("Prefix"), padPrefix, padTest));
    padLayout->addWidget(padPrefix);
    grid->addWidget(padTest, 0, 0);

    // Frames whose caption is the box's only name.
    const std::pair<const char*, const char*> single[] = {
        {"PreAccessSet", "Pre Access Code"},
        {"PreProgramSet", "Pre Program Prefix"},
    };
    int row = 1;
    for (const auto& [name, caption] : single) {
        auto* frame = new QGroupBox(QString::fromLatin1(caption), panel);
        frame->setObjectName(
            QString::fromLatin1(name).replace(QStringLiteral("Set"), QStringLiteral("Frame")));
        auto* frameLayout = new QHBoxLayout(frame);
        auto* box = newBox(QString::fromLatin1(name), frame);
        box->setAccessibleName(QString::fromLatin1(caption));
        frameLayout->addWidget(box);
        grid->addWidget(frame, row++, 0);
    }

    return panel;
}

QWidget* SpecialCodesEditor::buildSubsetAndMute() {
    auto* panel = new QWidget(this);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    int row = 0;
    auto* subset = new QGroupBox(QStringLiteral("Macro SubSet"), panel);
    subset->setObjectName(QStringLiteral("MacroSubsetFrame"));
    auto* subsetLayout = new QHBoxLayout(subset);
    auto* range = newBox(QStringLiteral("MacroRangeSet"), subset);
    range->setAccessibleName(QStringLiteral("Macro SubSet Range"));
    subsetLayout->addWidget(newBuddyLabel(QStringLiteral("Range"), range, subset));
    subsetLayout->addWidget(range);
    auto* enable = new QCheckBox(QStringLiteral("Enable"), subset);
    enable->setObjectName(QStringLiteral("MacroSubsetEnable"));
    enable->setAccessibleName(QStringLiteral("Enable Macro SubSet"));
    subsetLayout->addWidget(enable);
    grid->addWidget(subset, row++, 0);

    auto* mute = new QGroupBox(QStringLiteral("DTMF Mute Select"), panel);
    mute->setObjectName(QStringLiteral("DTMFMuteSelectFrame"));
    auto* muteLayout = new QHBoxLayout(mute);
    m_muteDigit = new QButtonGroup(mute);
    const std::pair<const char*, const char*> digits[] = {{"FirstDigitSet", "1st Digit"},
                                                          {"SecondDigitSet", "2nd Digit"}};
    int id = 1;
    for (const auto& [name, caption] : digits) {
        auto* option = new QRadioButton(QString::fromLatin1(caption), mute);
        option->setObjectName(QString::fromLatin1(name));
        m_muteDigit->addButton(option, id++);
        muteLayout->addWidget(option);
    }
    grid->addWidget(mute, row, 0);
    return panel;
}

// Apply order of the framework's boxes; the autodial memories, the toll-restrict list, the new
// codes and the lists follow in applyOwnFields().
void SpecialCodesEditor::bindAll() {
    const auto bindText = [this](const char* control, const char* field, const char* flag) {
        const QString name = QString::fromLatin1(field);
        bind(Kind::Text, this->control<QLineEdit>(QString::fromLatin1(control)), name, 0,
             QString::fromLatin1(flag), groupOf(name));
    };
    bindText("CurrentCommandPrefixSet", "CommandPrefix", "UserDTMFPending");
    bindText("APPrefixSet", "APPrefix", "APPrefixPending");
    bindText("AnswerCodeSet", "AnswerCode", "AnswerCodePending");
    bindText("RingNumberSet", "RingNumber", "RingNumberPending");
    bindText("APTimeOutSet", "APTimeOut", "APTimeOutPending");
    bind(Kind::Check, control<QCheckBox>(QStringLiteral("PatchMuteSet")),
         QStringLiteral("PatchMute"), 0, QStringLiteral("PatchMutePending"),
         groupOf(QStringLiteral("PatchMute")));
    bindText("DTMFTestPrefixSet", "DTMFTestPrefix", "DTMFTestPrefixPending");
    bindText("PreAccessSet", "PreAccessPrefix", "PreAccessPrefixPending");
    bindText("PreProgramSet", "PreProgramPrefix", "PreProgramPrefixPending");
    bindText("MacroRangeSet", "MacroSubset", "MacroSubsetPending");
    bind(Kind::Check, control<QCheckBox>(QStringLiteral("MacroSubsetEnable")),
         QStringLiteral("MacroSubsetEnable"), 0, QStringLiteral("MacroSubsetEnablePending"),
         groupOf(QStringLiteral("MacroSubsetEnable")));

    for (int slot = 1; slot <= AutoDialSlots; ++slot)
        m_copies.add(AutoDial, slot, QStringLiteral("AutoDialPending"), slot, groupOf(AutoDial));
    m_copies.add(DtmfPort, 0, QStringLiteral("UserDTMFPending"), 0, groupOf(DtmfPort));
    m_copies.add(DtmfSpeech, 0, QStringLiteral("UserDTMFPending"), 0, groupOf(DtmfSpeech));
    m_copies.add(EnablePatch, 0, QStringLiteral("EnablePatchPending"), 0, groupOf(EnablePatch));
    m_copies.add(MuteDigit, 0, QStringLiteral("DTMFMuteDigitSelectPending"), 0, groupOf(MuteDigit));

    for (const char* name : {"APPrefixSet", "AnswerCodeSet"})
        control<QLineEdit>(QString::fromLatin1(name))->installEventFilter(this);
}

void SpecialCodesEditor::connectOwnControls() {
    auto* terminator = control<QLineEdit>(QStringLiteral("NewTerminatorSet"));
    connect(terminator, &QLineEdit::textChanged, this, [terminator](const QString& text) {
        if (text != text.toUpper())
            terminator->setText(text.toUpper());
    });

    auto* port = control<QComboBox>(QStringLiteral("DTMFPortSet"));
    connect(port, &QComboBox::currentIndexChanged, this, [this, port] {
        if (!m_filling)
            m_copies.setValue(DtmfPort, 0, currentNumber(port));
        colourOwnControls();
    });
    auto* speech = control<QComboBox>(QStringLiteral("DTMFSpeechSet"));
    connect(speech, &QComboBox::currentIndexChanged, this, [this, speech] {
        if (!m_filling)
            m_copies.setValue(DtmfSpeech, 0,
                              speech->currentText() == None ? QStringLiteral("0")
                                                            : speech->currentText());
        colourOwnControls();
    });
    auto* patch = control<QComboBox>(QStringLiteral("EnablePatchSet"));
    connect(patch, &QComboBox::currentIndexChanged, this, [this, patch] {
        if (!m_filling)
            m_copies.setValue(EnablePatch, 0, currentNumber(patch));
        colourOwnControls();
    });
    connect(m_muteDigit, &QButtonGroup::idClicked, this,
            [this](int digit) { m_copies.setValue(MuteDigit, 0, QString::number(digit)); });

    auto* slot = control<QComboBox>(QStringLiteral("AutoDialSlotSet"));
    connect(slot, &QComboBox::currentIndexChanged, this, [this](int entry) {
        if (!m_filling && entry >= 0)
            showSlot(entry + 1);
    });
    auto* number = control<QLineEdit>(QStringLiteral("AutoDialNumberSet"));
    connect(number, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (m_filling)
            return;
        m_copies.setValue(AutoDial, m_slot, text);
        colourOwnControls();
    });

    connect(this, &EditorWindow::applied, this, &SpecialCodesEditor::applyOwnFields);
}

void SpecialCodesEditor::boxChanged(Binding& binding) {
    auto* box = static_cast<QLineEdit*>(binding.control);
    if (mustNotBeEmpty(binding.field) && binding.working.isEmpty()) {
        binding.working = databaseValue(binding);
        return;
    }
    const int length = noneBoxLength(binding.field);
    if (length == 0 || binding.working == None) {
        if (length > 0)
            binding.working = QStringLiteral("0");
        return;
    }
    if (binding.working.size() > length) {
        m_messages.message(
            QStringLiteral("You can have a maximum of %1 digits. Try Again").arg(length),
            programTitle());
        // Emptying the box runs this handler again.
        box->setText(QString());
        return;
    }
    // An empty prefix or subset is none.
    if (binding.working.isEmpty())
        binding.working = QStringLiteral("0");
}

bool SpecialCodesEditor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        auto* box = qobject_cast<QLineEdit*>(watched);
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Only the person leaving a box on a shown window; not a menu, a box or another program.
        if (box && !m_checkingCode && box->isVisible() && box->text().isEmpty() &&
            reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            const bool prefix = box->objectName() == u"APPrefixSet";
            const bool answer = box->objectName() == u"AnswerCodeSet";
            if (prefix || answer) {
                // Putting the focus back leaves whatever box took it: no check for that one.
                m_checkingCode = true;
                m_messages.message(
                    prefix ? QStringLiteral("The Autopatch Prefix MUST be at least one digit "
                                            "long. Please try again")
                           : QStringLiteral("The Answer Code MUST be at least one digit long. "
                                            "Please try again"),
                    programTitle());
                box->setFocus(Qt::OtherFocusReason);
                m_checkingCode = false;
            }
        }
    }
    return EditorWindow::eventFilter(watched, event);
}

void SpecialCodesEditor::loaded() {
    m_copies.load();
    m_filling = true;
    for (const char* name : {"PreAccessSet", "PreProgramSet", "MacroRangeSet"}) {
        auto* box = control<QLineEdit>(QString::fromLatin1(name));
        if (box->text() == u"0")
            box->setText(None);
    }
    selectByNumber(control<QComboBox>(QStringLiteral("DTMFPortSet")), m_copies.value(DtmfPort));
    const QString speech = m_copies.value(DtmfSpeech);
    selectByText(control<QComboBox>(QStringLiteral("DTMFSpeechSet")),
                 speech == u"0" ? None : speech);
    selectByNumber(control<QComboBox>(QStringLiteral("EnablePatchSet")),
                   m_copies.value(EnablePatch));
    const QString digit = m_copies.value(MuteDigit);
    if (QAbstractButton* option = m_muteDigit->button(numericInt(digit)))
        option->setChecked(true);

    m_tollList->clear();
    for (int k = 1; k <= TollNumbers; ++k) {
        const QString number = m_db.value(TollRestrict, k);
        if (!number.trimmed().isEmpty())
            m_tollList->addItem(number);
    }
    if (m_codes.empty()) {
        for (int port = 1; port <= 3; ++port)
            control<QLineEdit>(indexedName("NewPortUnlockSet", port))->clear();
        control<QLineEdit>(QStringLiteral("NewLockSet"))->clear();
        control<QLineEdit>(QStringLiteral("NewTerminatorSet"))->clear();
    }
    m_filling = false;
    showCurrentCodes();
    showSlot(1);
}

void SpecialCodesEditor::showSlot(int slot) {
    m_slot = slot;
    const bool filling = m_filling;
    m_filling = true;
    control<QComboBox>(QStringLiteral("AutoDialSlotSet"))->setCurrentIndex(slot - 1);
    control<QLineEdit>(QStringLiteral("AutoDialNumberSet"))
        ->setText(m_copies.value(AutoDial, slot));
    m_filling = filling;
    colourOwnControls();
}

void SpecialCodesEditor::showCurrentCodes() {
    for (int port = 1; port <= 3; ++port)
        control<QLineEdit>(indexedName("CurrentPortUnlock", port))
            ->setText(m_db.value(u"CurrentPortUnlock", port));
    control<QLineEdit>(QStringLiteral("CurrentLock"))->setText(m_db.value(u"Lock"));
    control<QLineEdit>(QStringLiteral("CurrentTerminator"))->setText(m_db.value(u"Terminator"));
}

void SpecialCodesEditor::addTollNumber() {
    const QString number = m_tollBox->text().trimmed();
    if (number.isEmpty())
        return;
    if (m_tollList->count() >= TollNumbers) {
        m_messages.message(TollListFull, programTitle());
        return;
    }
    m_tollList->addItem(number);
    m_tollBox->clear();
}

void SpecialCodesEditor::deleteTollNumbers() {
    for (int row = m_tollList->count() - 1; row >= 0; --row) {
        if (m_tollList->item(row)->isSelected())
            delete m_tollList->takeItem(row);
    }
}

void SpecialCodesEditor::applyTollNumbers() {
    for (int k = 1; k <= TollNumbers; ++k) {
        const QString number =
            k <= m_tollList->count() ? m_tollList->item(k - 1)->text() : QString();
        if (number != m_db.value(TollRestrict, k)) {
            m_db.setPending(u"TollRestrictPending", k);
            m_db.setGroupChanged(groupOf(TollRestrict));
            m_db.setSettingsSaved(false);
        }
        m_db.setValue(TollRestrict, k, number);
    }
}

void SpecialCodesEditor::applyOwnFields() {
    m_copies.apply();
    applyTollNumbers();
    colourOwnControls();
    // Codes still on their way are not sent twice.
    if (m_codes.empty()) {
        queueNewCodes();
        runNextCode();
    }
}

void SpecialCodesEditor::queueNewCodes() {
    const auto queue = [this](ActionKind kind, int port, const QLineEdit* box) {
        const QString code = box->text().trimmed().toUpper();
        if (code.isEmpty())
            return;
        ControllerAction action;
        action.kind = kind;
        action.port = port;
        action.newCode = code;
        m_codes.push_back(action);
    };
    for (int port = 1; port <= 3; ++port)
        queue(ActionKind::ChangeUnlockCode, port,
              control<QLineEdit>(indexedName("NewPortUnlockSet", port)));
    queue(ActionKind::ChangeLockCode, 1, control<QLineEdit>(QStringLiteral("NewLockSet")));
    queue(ActionKind::ChangeTerminator, 1, control<QLineEdit>(QStringLiteral("NewTerminatorSet")));
}

void SpecialCodesEditor::runNextCode() {
    if (m_codes.empty())
        return;
    ControllerActionRunner* runner = actionRunner();
    if (!runner) {
        m_codes.clear();
        m_messages.message(NoLink, programTitle());
        return;
    }
    const ControllerAction action = m_codes.front();
    const bool started = runner->run(action, [self = QPointer(this), action](bool succeeded) {
        if (self)
            self->codeEnded(action, succeeded);
    });
    if (!started) {
        m_codes.clear();
        m_messages.message(LinkBusy, programTitle());
    }
}

QLineEdit* SpecialCodesEditor::newCodeBox(const ControllerAction& action) const {
    switch (action.kind) {
    case ActionKind::ChangeUnlockCode:
        return control<QLineEdit>(indexedName("NewPortUnlockSet", action.port));
    case ActionKind::ChangeLockCode:
        return control<QLineEdit>(QStringLiteral("NewLockSet"));
    default:
        return control<QLineEdit>(QStringLiteral("NewTerminatorSet"));
    }
}

// The action wrote the code into the file and the database before sending it; the database is
// what the "Current" boxes show, sent or not. A code the controller took leaves its "New" box;
// after a failure the codes not yet sent stay in theirs.
void SpecialCodesEditor::codeEnded(const ControllerAction& action, bool succeeded) {
    if (!m_codes.empty())
        m_codes.pop_front();
    if (succeeded) {
        const QString field = fieldOfCode(action);
        m_db.setValue(field, action.kind == ActionKind::ChangeUnlockCode ? action.port : 0,
                      action.newCode);
        if (action.kind == ActionKind::ChangeLockCode)
            m_db.setStoredLock(action.newCode);
        else if (action.kind == ActionKind::ChangeTerminator)
            m_db.setStoredTerminator(action.newCode);
        if (QLineEdit* box = newCodeBox(action);
            box && box->text().trimmed().toUpper() == action.newCode)
            box->clear();
    } else {
        m_codes.clear();
    }
    showCurrentCodes();
    if (succeeded)
        runNextCode();
}

void SpecialCodesEditor::colourOwnControls() {
    colourControl(control<QComboBox>(QStringLiteral("DTMFPortSet")), m_copies.changed(DtmfPort));
    colourControl(control<QComboBox>(QStringLiteral("DTMFSpeechSet")),
                  m_copies.changed(DtmfSpeech));
    colourControl(control<QComboBox>(QStringLiteral("EnablePatchSet")),
                  m_copies.changed(EnablePatch));
    colourControl(control<QLineEdit>(QStringLiteral("AutoDialNumberSet")),
                  m_copies.changed(AutoDial, m_slot));
}

} // namespace kovo
