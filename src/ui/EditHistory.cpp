#include "ui/EditHistory.h"

#include "ui/ProjectModel.h"

#include <QUndoCommand>

namespace vorlap {

namespace {

VorlapProject withoutName(VorlapProject project)
{
    project.appName.clear();
    return project;
}

// One step: the design before and after it, applied through the history.
class DesignChange : public QUndoCommand {
public:
    DesignChange(VorlapProject before, VorlapProject after, int gesture,
                 std::function<void(const VorlapProject&)> apply)
        : m_before(std::move(before)), m_after(std::move(after)), m_gesture(gesture), m_apply(std::move(apply))
    {
        setText(QStringLiteral("Change"));
    }

    int id() const override { return m_gesture == 0 ? -1 : 1; }
    bool mergeWith(const QUndoCommand* other) override
    {
        const auto* change = static_cast<const DesignChange*>(other);
        if (change->m_gesture != m_gesture)
            return false;
        m_after = change->m_after;
        return true;
    }
    void undo() override { m_apply(m_before); }
    void redo() override
    {
        // The first redo comes from push(): the model holds the change already.
        if (std::exchange(m_pushed, true))
            m_apply(m_after);
    }

private:
    VorlapProject m_before, m_after;
    int m_gesture;
    std::function<void(const VorlapProject&)> m_apply;
    bool m_pushed = false;
};

} // namespace

EditHistory::EditHistory(ProjectModel* model, QObject* parent)
    : QObject(parent), m_model(model), m_current(withoutName(model->project()))
{
    connect(m_model, &ProjectModel::projectChanged, this, &EditHistory::recordChange);
    connect(&m_stack, &QUndoStack::cleanChanged, this, [this](bool clean) { emit modifiedChanged(!clean); });
}

// A stack that still holds steps reports itself clean once more as it is torn down; by then
// the window that listens is half destroyed, so nobody may hear it.
EditHistory::~EditHistory() { m_stack.disconnect(this); }

void EditHistory::beginGesture() { m_gesture = ++m_lastGesture; }

void EditHistory::endGesture() { m_gesture = 0; }

void EditHistory::markSaved() { m_stack.setClean(); }

void EditHistory::startOver()
{
    m_current = withoutName(m_model->project());
    m_stack.clear();
}

void EditHistory::recordChange()
{
    const VorlapProject design = withoutName(m_model->project());
    if (m_applying || design == m_current)
        return;
    m_stack.push(new DesignChange(m_current, design, m_gesture, [this](const VorlapProject& d) { apply(d); }));
    m_current = design;
}

void EditHistory::apply(const VorlapProject& design)
{
    VorlapProject project = design;
    project.appName = m_model->project().appName;
    m_current = design;
    m_applying = true;
    m_model->setProject(project);
    m_applying = false;
}

} // namespace vorlap
