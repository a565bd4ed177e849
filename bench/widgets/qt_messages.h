#pragma once
// Message boxes of the window. On the user-interface thread they are modal boxes; a worker's
// message (the script runner) is queued to that thread and shown without blocking the worker,
// so stopping and joining a worker can never wait for a box.
#include <QWidget>

#include "bench/core/language.h"
#include "bench/core/user_messages.h"

namespace norvane::bench {

class QtMessages : public UserMessages {
public:
    /// language: where the buttons' texts come from (Qt's own when null).
    explicit QtMessages(QWidget* parent, const Language* language = nullptr)
        : parent_(parent), language_(language) {}
    void Show(const std::string& caption, const std::string& body) override;
    void Inform(const std::string& caption, const std::string& body) override;
    Answer Ask(const std::string& caption, const std::string& body, bool withCancel) override;

private:
    QWidget* parent_;
    const Language* language_;
};

}  // namespace norvane::bench
