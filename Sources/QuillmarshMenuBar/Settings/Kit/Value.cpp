#include "Settings/Kit/Value.h"

#include "Settings/Kit/TextStyle.h"

namespace quillmarsh {

Value::Value(QWidget* parent) : ToneLabel(TextStyle::body(), Tone::secondary, parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Value::setValue(const QString& text, bool good) {
    setPlain(text);
    setTone(good ? Tone::good : Tone::secondary);
}

} // namespace quillmarsh
