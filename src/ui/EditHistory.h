#pragma once
// Undo and redo of the design, and whether it differs from the file it was last saved to
// or opened from. Every change of the model's project is one step, except that the changes
// of one gesture (an icon drag) make one step together. The application name follows the
// chosen bundle, not the history: it is neither undone nor counted as an edit.
#include "project/VorlapProject.h"

#include <QObject>
#include <QUndoStack>

namespace vorlap {

class ProjectModel;

class EditHistory : public QObject {
    Q_OBJECT

public:
    explicit EditHistory(ProjectModel* model, QObject* parent = nullptr);
    ~EditHistory() override;

    QUndoStack* stack() { return &m_stack; }
    bool isModified() const { return !m_stack.isClean(); }

    // The changes until endGesture() undo as one step.
    void beginGesture();
    void endGesture();

    // The design now shown is what the file holds (after a save).
    void markSaved();
    // A new document (another file opened): the steps before it are dropped.
    void startOver();

signals:
    void modifiedChanged(bool modified);

private:
    void recordChange();
    void apply(const VorlapProject& design);

    ProjectModel* m_model;
    QUndoStack m_stack;
    VorlapProject m_current;
    int m_gesture = 0; // the running gesture's number; 0 when none runs
    int m_lastGesture = 0;
    bool m_applying = false;
};

} // namespace vorlap
