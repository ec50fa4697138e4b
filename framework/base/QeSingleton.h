// Base of every process-wide object of the framework and of the messenger.
#pragma once

#include <string>
#include <typeinfo>

#include "framework/base/QeTrace.h"

// The readable name of a type ("Account", "ns::Thing"), for traces.
std::string QeTypeName(const std::type_info& type);

// Test tooling: told of every singleton's construction (true) and destruction (false) as it
// happens, so a test can see the order in which a start or stop made and destroyed them. Null
// stops the telling.
using QeSingletonObserver = void (*)(void* context, const std::type_info& type, bool created);
void QeSetSingletonObserver(QeSingletonObserver observer, void* context);
void QeTellSingletonObserver(const std::type_info& type, bool created);

template <class T>
class QeSingleton {
public:
    QeSingleton() {
        if (s_instance != nullptr) {
            QeTrace(L"[QE+] QeSingleton< %s >::QeSingleton, Singleton object can have only an instance at a time.\n",
                    QeTypeName(typeid(T)).c_str());
        }
        // The newer object becomes the instance, as callers expect of a replaced singleton. The
        // slot holds the base: the derived part does not exist yet while this constructor runs.
        s_instance = this;
        QeTellSingletonObserver(typeid(T), true);
    }
    virtual ~QeSingleton() {
        QeTellSingletonObserver(typeid(T), false);
        // An older object destroyed after a newer one replaced it must not clear the newer one's slot.
        if (s_instance == this) s_instance = nullptr;
    }
    QeSingleton(const QeSingleton&) = delete;
    QeSingleton& operator=(const QeSingleton&) = delete;

    static T* Instance() { return static_cast<T*>(s_instance); }

private:
    static inline QeSingleton* s_instance = nullptr;
};
