#include "app/WindowSetupTarget.h"

#include "app/Controls.h"
#include "app/DocumentSession.h"
#include "app/LayerPanel.h"
#include "app/ParameterPanel.h"
#include "app/Platform.h"
#include "app/TextAndPaths.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMainWindow>

namespace deptrix {

namespace {

constexpr int kGroupColumn = 1;
constexpr int kOffsetColumn = 2;

} // namespace

void WindowSetupTarget::setLpiText(const std::string& text) {
    m_parameters.lpiField()->setText(Text(text));
}

void WindowSetupTarget::setFocusText(const std::string& text) {
    m_parameters.focusField()->setText(Text(text));
}

void WindowSetupTarget::setDepthText(const std::string& text) {
    m_parameters.depthField()->setText(Text(text));
}

void WindowSetupTarget::setDpiText(const std::string& text) {
    m_parameters.dpiField()->setCurrentText(Text(text));
}

void WindowSetupTarget::setWidthText(const std::string& text) {
    m_parameters.widthField()->setText(Text(text));
}

void WindowSetupTarget::setHeightText(const std::string& text) {
    m_parameters.setHeightText(Text(text));
}

void WindowSetupTarget::setColorModeIndex(int index) {
    QComboBox* list = m_parameters.colorModeField();
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

void WindowSetupTarget::setHScaleText(const std::string& text) {
    m_parameters.hScaleField()->setText(Text(text));
}

void WindowSetupTarget::setOffsetCell(int row, const std::string& text) {
    m_layers.layerTable()->setCell(kOffsetColumn, row, Text(text));
}

void WindowSetupTarget::setGroupCell(int row, const std::string& text) {
    m_layers.layerTable()->setCell(kGroupColumn, row, Text(text));
}

void WindowSetupTarget::setCaption(const std::string& caption) {
    m_window.setWindowTitle(DocumentSession::TitleFor(Text(caption)));
}

void WindowSetupTarget::beep() {
    m_platform.beep();
}

// The writer converts what it reads; a field that holds no number is named here.
std::string WindowSetupTarget::lpiText() const {
    return Std(m_parameters.checkedText(m_parameters.lpiField()));
}

std::string WindowSetupTarget::dpiText() const {
    return Std(m_parameters.checkedDpiText());
}

std::string WindowSetupTarget::widthText() const {
    return Std(m_parameters.checkedText(m_parameters.widthField()));
}

std::string WindowSetupTarget::heightText() const {
    return Std(m_parameters.heightText());
}

int WindowSetupTarget::colorModeIndex() const {
    return m_parameters.colorModeField()->currentIndex();
}

std::string WindowSetupTarget::hScaleText() const {
    return Std(m_parameters.checkedText(m_parameters.hScaleField()));
}

std::string WindowSetupTarget::offsetCell(int row) const {
    return Std(m_layers.layerTable()->cell(kOffsetColumn, row));
}

} // namespace deptrix
