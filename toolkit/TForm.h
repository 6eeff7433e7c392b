#pragma once

#include "AccessKey.h"
#include "ControlBinding.h"
#include "EToolkitError.h"
#include "FormDescription.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tessaport {

// A fixed-size dialog window holding controls. Each back end defines Impl, the native window.
class TForm {
public:
    struct Impl;

    explicit TForm(const FormDescription &description);
    virtual ~TForm();
    TForm(const TForm &) = delete;
    TForm &operator=(const TForm &) = delete;

    std::string Caption() const;
    void Show();
    bool Visible() const;
    // Hides the window; closing the application's main window ends Application->Run().
    // Nothing is asked.
    void Close();

    Impl &Native() const { return *impl_; }

protected:
    // Creates the controls in the given order, which is also their tab order, stores each in
    // its member and wires its event to its handler. Refuses access keys used twice.
    template <class Form, std::size_t N>
    void CreateControls(Form &form, const std::array<ControlBinding<Form>, N> &bindings);

private:
    TLabel &AddLabel(const ControlDescription &description);
    TComboBox &AddComboBox(const ControlDescription &description);
    TCheckBox &AddCheckBox(const ControlDescription &description);
    TButton &AddButton(const ControlDescription &description);
    // Makes the control around its native part and keeps it for the window's lifetime.
    template <class Control> Control &Keep(std::unique_ptr<TControl::Impl> native) {
        auto control = std::make_unique<Control>(std::move(native));
        Control &result = *control;
        controls_.push_back(std::move(control));
        return result;
    }

    std::unique_ptr<Impl> impl_;
    // Destroyed before the window, which the native controls belong to.
    std::vector<std::unique_ptr<TControl>> controls_;
};

template <class Form, std::size_t N>
void TForm::CreateControls(Form &form, const std::array<ControlBinding<Form>, N> &bindings) {
    std::vector<const ControlDescription *> descriptions;
    for (const ControlBinding<Form> &binding : bindings) {
        descriptions.push_back(&binding.control);
    }
    CheckAccessKeys(descriptions);
    for (const ControlBinding<Form> &binding : bindings) {
        // Left empty without a handler, as the control's own event starts.
        std::function<void()> event;
        if (binding.handler) {
            event = [&form, handler = binding.handler] { (form.*handler)(); };
        }
        const ControlDescription &description = binding.control;
        if (auto *label = std::get_if<TLabel * Form::*>(&binding.member)) {
            form.**label = &AddLabel(description);
        } else if (auto *list = std::get_if<TComboBox * Form::*>(&binding.member)) {
            TComboBox &control = AddComboBox(description);
            control.OnChange = event;
            form.**list = &control;
        } else if (auto *box = std::get_if<TCheckBox * Form::*>(&binding.member)) {
            TCheckBox &control = AddCheckBox(description);
            control.OnClick = event;
            form.**box = &control;
        } else if (auto *button = std::get_if<TButton * Form::*>(&binding.member)) {
            TButton &control = AddButton(description);
            control.OnClick = event;
            form.**button = &control;
        }
    }
}

} // namespace tessaport
