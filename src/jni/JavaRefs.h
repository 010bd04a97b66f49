// Scoped access to the Java arguments of the natives, and the exceptions
// the binding raises itself.
//
// The JNI functions require non-null references and crash the virtual
// machine when handed null, so every reference that comes from Java is
// tested first: a null one raises NullPointerException in the Java caller,
// which the native reports like any other failed JNI step (status 1, the
// exception left pending).
#ifndef PWDPOLICY_JNI_JAVAREFS_H
#define PWDPOLICY_JNI_JAVAREFS_H

#include <jni.h>

// Raises a new `className` (a Throwable, in JNI "java/lang/..." form) with
// `message`, unless an exception is already pending: the first one is what
// the caller should see.
void ThrowJava(JNIEnv* env, const char* className, const char* message);

// The modified UTF-8 bytes of a Java string, from GetStringUTFChars, held
// until Release() or the end of the scope. The bytes are handed on as they
// are: U+0000 arrives as 0xC0 0x80, a character outside the BMP as two
// three-byte surrogates.
class JavaUtf8Chars {
public:
    // Reads `text`; a null `text` raises NullPointerException(nullMessage).
    // Check Read().
    JavaUtf8Chars(JNIEnv* env, jstring text, const char* nullMessage);
    ~JavaUtf8Chars() { Release(); }
    JavaUtf8Chars(const JavaUtf8Chars&) = delete;
    JavaUtf8Chars& operator=(const JavaUtf8Chars&) = delete;

    // False when the string could not be read; an exception is then pending
    // and there is nothing to release.
    bool Read() const { return chars_ != nullptr; }
    const char* Chars() const { return chars_; }
    // Gives the bytes back to the virtual machine. Idempotent.
    void Release();

private:
    JNIEnv* env_;
    jstring text_;
    const char* chars_ = nullptr;
};

// The elements of a Java int[], from GetIntArrayElements, written back to
// the array and released by Release() (mode 0) or at the end of the scope.
class JavaIntElements {
public:
    // Reads `array`; a null `array` raises NullPointerException(nullMessage).
    // Check Read().
    JavaIntElements(JNIEnv* env, jintArray array, const char* nullMessage);
    ~JavaIntElements() { Release(); }
    JavaIntElements(const JavaIntElements&) = delete;
    JavaIntElements& operator=(const JavaIntElements&) = delete;

    bool Read() const { return elements_ != nullptr; }
    jint* Elements() const { return elements_; }
    jsize Length() const { return length_; }
    // Copies the elements back into the Java array and releases them.
    // Idempotent. Allowed while an exception is pending.
    void Release();

private:
    JNIEnv* env_;
    jintArray array_;
    jint* elements_ = nullptr;
    jsize length_ = 0;
};

#endif  // PWDPOLICY_JNI_JAVAREFS_H
