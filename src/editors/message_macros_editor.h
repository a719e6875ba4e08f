#pragma once

#include "editor_window.h"
#include "token_entry.h"

#include <functional>
#include <optional>

class QComboBox;
class QListWidget;
class QPushButton;

namespace kovo {

// The message macros editor (caption "Message Macros"): the controller's 40 spoken messages,
// each at most 9 vocabulary words typed or picked from the vocabulary, and the recording of a WAV
// file into one of the controller's 20 DVR tracks.
class MessageMacrosEditor : public EditorWindow {
    Q_OBJECT

public:
    // Asks for a file to open: (title, filter) -> the path, or nullopt when cancelled.
    using FileChooser =
        std::function<std::optional<QString>(const QString& title, const QString& filter)>;

    MessageMacrosEditor(Database& db, MessageService& messages, QWidget* parent = nullptr);
    ~MessageMacrosEditor() override;

    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    QString wavFile() const { return m_wavFile; }

    // "&Load Wav": the WAV file to record.
    void chooseWavFile();
    // "&Send to Tarsis": records the chosen file into the chosen DVR track.
    void recordTrack();

protected:
    void boxChanged(Binding& binding) override;
    void fieldApplied(const Binding& binding) override;

private:
    void foldStoredMessages();

    TokenEntry::Rules m_rules;
    std::unique_ptr<TokenEntry> m_entry;
    QListWidget* m_vocabulary = nullptr;
    QComboBox* m_track = nullptr;
    QPushButton* m_send = nullptr;
    QList<QLineEdit*> m_boxes;
    QString m_wavFile;
    FileChooser m_chooseFile;
};

} // namespace kovo
