#include "jni/JavaRefs.h"

void ThrowJava(JNIEnv* env, const char* className, const char* message) {
    if (env->ExceptionCheck()) return;
    jclass type = env->FindClass(className);
    // A failed FindClass leaves its own error pending, which is as good.
    if (type != nullptr) env->ThrowNew(type, message);
}

JavaUtf8Chars::JavaUtf8Chars(JNIEnv* env, jstring text, const char* nullMessage)
    : env_(env), text_(text) {
    if (text == nullptr) {
        ThrowJava(env, "java/lang/NullPointerException", nullMessage);
        return;
    }
    const char* chars = env->GetStringUTFChars(text, nullptr);
    // Out of memory gives null with OutOfMemoryError pending: nothing to
    // release then.
    if (env->ExceptionCheck()) return;
    chars_ = chars;
}

void JavaUtf8Chars::Release() {
    if (chars_ == nullptr) return;
    env_->ReleaseStringUTFChars(text_, chars_);
    chars_ = nullptr;
}

JavaIntElements::JavaIntElements(JNIEnv* env, jintArray array, const char* nullMessage)
    : env_(env), array_(array) {
    if (array == nullptr) {
        ThrowJava(env, "java/lang/NullPointerException", nullMessage);
        return;
    }
    const jsize length = env->GetArrayLength(array);
    jint* elements = env->GetIntArrayElements(array, nullptr);
    if (env->ExceptionCheck()) return;
    elements_ = elements;
    length_ = length;
}

void JavaIntElements::Release() {
    if (elements_ == nullptr) return;
    env_->ReleaseIntArrayElements(array_, elements_, 0);
    elements_ = nullptr;
}
