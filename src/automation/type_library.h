// CTypeLibrary: the interface description "TWKF" 1.3 that the program carries as a resource
// (resources/twkf.idl): the library's identifier, version and locale, and each interface with its
// identifier and its members (name, dispatch identifier, kind, parameters in order). Read once from
// the resource on first use; plain data afterwards. UI thread.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <cstdint>

#include "automation/com.h"

class CTypeLibrary {
 public:
  struct Parameter {
    QString name;
    bool out = false;  // an [out] parameter (the result)
  };
  struct Member {
    QString name;
    DISPID id = 0;  // 0 for members of interfaces that are not dispatch interfaces
    WORD kind = DISPATCH_METHOD;
    QList<Parameter> params;
    int InCount() const;
  };
  struct Interface {
    QString name;
    QString base;  // IDispatch, IUnknown or another interface of the library
    QUuid iid;
    QList<Member> members;  // in vtable order
    // The member of that name and kind, nullptr when there is none.
    const Member* Find(const QString& name, WORD kind) const;
  };
  struct CoClass {
    QString name;
    QUuid clsid;
    QString defaultInterface;
  };

  // Reads the description; false (with the line that could not be read) on malformed text.
  static bool Parse(const QString& text, CTypeLibrary& out, QString* error = nullptr);
  // The description compiled into the program; empty when the resource cannot be read.
  static const CTypeLibrary& Embedded();
  static constexpr const char* kResourcePath = ":/typelib/twkf.idl";

  QString name;
  QString version;
  uint32_t lcid = 0;
  QUuid id;
  QList<Interface> interfaces;
  QList<CoClass> coclasses;

  const Interface* FindInterface(const QString& name) const;
};
