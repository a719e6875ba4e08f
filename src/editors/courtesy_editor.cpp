#include "courtesy_editor.h"

#include "controller_action_runner.h"
#include "editor_controls.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kovo {

namespace {

constexpr int ToneCount = 10;
constexpr int DelayLimit = 32767;
constexpr int ToneLimit = 3500;

// The sixteen values of a courtesy tone in the order the preview takes them.
QStringList valueNames() {
    QStringList names;
    for (int k = 1; k <= 4; ++k)
        names << QStringLiteral("Delay%1").arg(k);
    for (int k = 1; k <= 4; ++k)
        names << QStringLiteral("Dur%1").arg(k);
    for (int n = 1; n <= 8; ++n)
        names << QStringLiteral("Tone%1").arg(n);
    return names;
}

// The segment (1-4) a value belongs to: Delay k and Dur k to k, Tone 2k-1 and Tone 2k to k.
int segmentOf(const QString& name) {
    const int number = name.right(1).toInt();
    return name.startsWith(QLatin1String("Tone")) ? (number + 1) / 2 : number;
}

} // namespace

QString CourtesyEditor::fieldName(int port, const QString& name) {
    return QStringLiteral("P%1%2").arg(port).arg(name);
}

CourtesyEditor::CourtesyEditor(Database& db, MessageService& messages, QWidget* parent)
    : EditorWindow(db, messages, parent), m_working(db) {
    setObjectName(QStringLiteral("Courtesy"));
    setWindowTitle(QStringLiteral("Courtesy Tones"));

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    m_toneList = newList(QStringLiteral("CTSet"), this);
    addNumberEntries(m_toneList, 1, ToneCount);
    top->addWidget(newBuddyLabel(QStringLiteral("Courtesy Tone"), m_toneList, this));
    top->addWidget(m_toneList);
    top->addStretch(1);
    layout->addLayout(top);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    for (int port = 1; port <= 3; ++port)
        m_tabs->addTab(buildPortTab(port), QStringLiteral("Port %1").arg(port));
    layout->addWidget(m_tabs);

    auto* buttons =
        makeButtonRow(QStringLiteral("CancelChanges"), QStringLiteral("Cancel Changes"));
    m_preview = new QPushButton(QStringLiteral("Preview"), this);
    m_preview->setObjectName(QStringLiteral("Preview"));
    buttons->insertWidget(0, m_preview);
    layout->addLayout(buttons);
    // Tab order as shown: the preview button sits left of Apply.
    setTabOrder(m_tabs, m_preview);
    setTabOrder(m_preview, control<QPushButton>(QStringLiteral("Apply")));

    connect(m_toneList, &QComboBox::currentIndexChanged, this, [this](int entry) {
        if (entry >= 0)
            showTone(entry + 1);
    });
    connect(m_preview, &QPushButton::clicked, this, &CourtesyEditor::previewTone);

    const QStringList names = valueNames();
    for (int port = 1; port <= 3; ++port) {
        for (int tone = 1; tone <= ToneCount; ++tone) {
            for (const QString& name : names)
                m_working.add(fieldName(port, name), tone, QStringLiteral("CourtesyPending"),
                              Database::courtesyIndex(port, segmentOf(name), tone),
                              Group::Courtesy);
        }
    }
    loadFromDatabase();
}

CourtesyEditor::~CourtesyEditor() {
    stopPreview();
}

QWidget* CourtesyEditor::buildPortTab(int port) {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("PortTab(%1)").arg(port));
    auto* layout = new QVBoxLayout(page);
    auto* grid = new QGridLayout;
    auto addBox = [&](const QString& name, const QString& caption, const char* unit, int row,
                      int column) {
        auto* edit = newBox(QStringLiteral("%1Set(%2)").arg(name).arg(port), page, 70);
        makeDigitsOnly(edit);
        grid->addWidget(newBuddyLabel(caption, edit, page), row, column);
        grid->addWidget(edit, row, column + 1);
        grid->addWidget(new QLabel(QString::fromLatin1(unit), page), row, column + 2);
        const Box box{edit, port, name};
        m_boxes << box;
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textChanged, this, [this, box] { boxEdited(box); });
    };
    for (int k = 1; k <= 4; ++k) {
        const int row = k - 1;
        addBox(QStringLiteral("Delay%1").arg(k), QStringLiteral("Delay %1").arg(k), "ms", row, 0);
        addBox(QStringLiteral("Dur%1").arg(k), QStringLiteral("Duration %1").arg(k), "ms", row, 3);
        addBox(QStringLiteral("Tone%1").arg(2 * k - 1), QStringLiteral("Tone %1").arg(2 * k - 1),
               "Hz", row, 6);
        addBox(QStringLiteral("Tone%1").arg(2 * k), QStringLiteral("Tone %1").arg(2 * k), "Hz", row,
               9);
    }
    grid->setColumnStretch(12, 1);
    layout->addLayout(grid);

    auto* timeline = new CourtesyTimeline(page);
    timeline->setObjectName(QStringLiteral("CourtesyTimeline(%1)").arg(port));
    m_timelines[port - 1] = timeline;
    layout->addWidget(timeline);
    layout->addStretch(1);
    return page;
}

int CourtesyEditor::currentPort() const {
    return m_tabs->currentIndex() + 1;
}

void CourtesyEditor::loaded() {
    m_working.load();
    showTone(m_tone);
}

// Every box shows the working copy of the chosen tone of its port.
void CourtesyEditor::showTone(int tone) {
    if (tone < 1 || tone > ToneCount)
        return;
    m_tone = tone;
    m_showing = true;
    if (m_toneList->currentIndex() != tone - 1)
        m_toneList->setCurrentIndex(tone - 1);
    for (const Box& box : m_boxes) {
        const QString field = fieldName(box.port, box.name);
        box.edit->setText(m_working.value(field, tone));
        colourControl(box.edit, m_working.changed(field, tone));
    }
    m_showing = false;
    for (int port = 1; port <= 3; ++port)
        updateTimeline(port);
}

void CourtesyEditor::boxEdited(const Box& box) {
    if (m_showing)
        return;
    const QString field = fieldName(box.port, box.name);
    m_working.setValue(field, m_tone, plainNumber(box.edit->text()));
    colourControl(box.edit, m_working.changed(field, m_tone));
    updateTimeline(box.port);
}

void CourtesyEditor::updateTimeline(int port) {
    std::array<CourtesyTimeline::Segment, 4> segments{};
    for (int k = 1; k <= 4; ++k) {
        auto value = [&](const QString& name) {
            return numericInt(m_working.value(fieldName(port, name), m_tone));
        };
        segments[k - 1] = {value(QStringLiteral("Delay%1").arg(k)),
                           value(QStringLiteral("Dur%1").arg(k)),
                           value(QStringLiteral("Tone%1").arg(2 * k - 1)),
                           value(QStringLiteral("Tone%1").arg(2 * k))};
    }
    m_timelines[port - 1]->setSegments(segments);
}

bool CourtesyEditor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Switching to another application or opening a menu or a box is not leaving the box.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            for (const Box& box : m_boxes) {
                if (box.edit == watched) {
                    checkBox(box);
                    break;
                }
            }
        }
    }
    return EditorWindow::eventFilter(watched, event);
}

// The range check when a box is left: a refused value is replaced by 0 and the box keeps the
// focus.
void CourtesyEditor::checkBox(const Box& box) {
    if (m_inCheck)
        return;
    const QString text = box.edit->text();
    const double value = numericValue(text);
    QString refusal;
    if (box.name.startsWith(QLatin1String("Delay"))) {
        if (text.isEmpty() || value < 0 || value > DelayLimit)
            refusal = QStringLiteral("The delay value must be less than 32768");
    } else if (box.name.startsWith(QLatin1String("Dur"))) {
        if (text.isEmpty() || value < 0 || value > DelayLimit)
            refusal = QStringLiteral("The duration value must be less than 32768");
    } else if (text.isEmpty() || value > ToneLimit) {
        refusal = QStringLiteral("The tone value must be between 0 and 3500");
    }
    if (refusal.isEmpty())
        return;
    m_inCheck = true;
    m_messages.message(refusal, QStringLiteral("Try Again!"), MessageIcon::Critical);
    box.edit->setText(QStringLiteral("0"));
    box.edit->setFocus(Qt::OtherFocusReason);
    m_inCheck = false;
}

void CourtesyEditor::applyUnbound() {
    m_working.apply();
    for (const Box& box : m_boxes)
        colourControl(box.edit, m_working.changed(fieldName(box.port, box.name), m_tone));
}

std::optional<QString> CourtesyEditor::unboundWorkingCopy(QStringView field, int index) const {
    static const QStringList names = valueNames();
    if (field.size() < 3 || !field.startsWith(u'P') || index < 1 || index > ToneCount)
        return std::nullopt;
    const int port = field.mid(1, 1).toInt();
    if (port < 1 || port > 3 || !names.contains(field.mid(2).toString()))
        return std::nullopt;
    return m_working.value(field.toString(), index);
}

void CourtesyEditor::previewTone() {
    ControllerActionRunner* runner = actionRunner();
    if (m_previewing) {
        stopPreview();
        return;
    }
    if (!runner) {
        m_messages.message(QStringLiteral("No link to the Tarsis is available."), QString());
        return;
    }
    ControllerAction action;
    action.kind = ControllerAction::Kind::PreviewCourtesyTone;
    action.port = currentPort();
    for (const QString& name : valueNames())
        action.courtesyValues << m_working.value(fieldName(action.port, name), m_tone);
    m_previewing = true;
    const bool started = runner->run(action, [self = QPointer(this)](bool) {
        if (self)
            self->m_previewing = false;
    });
    if (!started) {
        m_previewing = false;
        m_messages.message(
            QStringLiteral("The link to the Tarsis is busy. Try again when it has finished."),
            QString());
    }
}

void CourtesyEditor::stopPreview() {
    if (m_previewing && actionRunner())
        actionRunner()->cancel();
}

void CourtesyEditor::closeEvent(QCloseEvent* event) {
    stopPreview();
    EditorWindow::closeEvent(event);
}

} // namespace kovo
