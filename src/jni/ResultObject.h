// Filling the Java result object that the natives hand their answers back
// in: any object whose class has an instance field `int intVal` and, for the
// natives that return text, `byte[] byteArr`. The class is found from the
// object itself, so hosts may use a class of their own.
//
// Nothing is cached between calls (no class, no field ID, no global
// reference): a class that is unloaded and loaded again is simply found
// again. A pending exception is never cleared; it reaches the Java caller
// when the native returns.
#ifndef PWDPOLICY_JNI_RESULTOBJECT_H
#define PWDPOLICY_JNI_RESULTOBJECT_H

#include <jni.h>

// Sets `obj`'s field intVal to `value`. Returns 0, or 1 with an exception
// pending and an ERROR line logged: NoSuchFieldError when the class has no
// `int intVal`, NullPointerException when `obj` is null.
int SetIntVal(JNIEnv* env, jobject obj, int value);

// Sets `obj`'s field byteArr to a new byte[length] copied from `bytes` (no
// terminating NUL), then its intVal to `length`. Returns 0, or 1 with an
// exception pending:
//  - the array could not be made (OutOfMemoryError): `obj` is not touched;
//  - byteArr is missing, or `obj` is null: nothing is set;
//  - intVal is missing: byteArr is already set.
// REQUIRES: length >= 0 and `bytes` readable for `length` bytes.
int SetStringVal(JNIEnv* env, jobject obj, const char* bytes, int length);

#endif  // PWDPOLICY_JNI_RESULTOBJECT_H
