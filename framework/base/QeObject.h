// The root of the framework's class tree: objects deleted through a base pointer start here.
#pragma once

class QeObject {
public:
    QeObject() = default;
    virtual ~QeObject() = default;
    QeObject(const QeObject&) = default;
    QeObject& operator=(const QeObject&) = default;
};
