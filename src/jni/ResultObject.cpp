#include "jni/ResultObject.h"

#include "jni/JavaRefs.h"
#include "support/Log.h"

namespace {

constexpr int kJniFailure = 1;
constexpr char kNullResult[] = "result object is null";

}  // namespace

int SetIntVal(JNIEnv* env, jobject obj, int value) {
    jfieldID intValId = nullptr;
    if (obj == nullptr) {
        ThrowJava(env, "java/lang/NullPointerException", kNullResult);
    } else {
        jclass type = env->GetObjectClass(obj);
        intValId = env->GetFieldID(type, "intVal", "I");
    }
    if (env->ExceptionOccurred() != nullptr) {
        PPC_LOG_ERROR("SetIntVal", "SetIntVal ExceptionOccurred for intVal\n");
        return kJniFailure;
    }
    env->SetIntField(obj, intValId, value);
    return 0;
}

int SetStringVal(JNIEnv* env, jobject obj, const char* bytes, int length) {
    // The array comes first, before any field is looked up, so that a class
    // with byteArr but no intVal still receives the bytes.
    jbyteArray array = env->NewByteArray(length);
    if (array == nullptr) {
        // OutOfMemoryError is pending; a null array must not reach
        // SetByteArrayRegion, and the object stays as it was.
        PPC_LOG_ERROR("SetStringVal", "SetStringVal NewByteArray failed for %i bytes\n", length);
        return kJniFailure;
    }
    env->SetByteArrayRegion(array, 0, length, reinterpret_cast<const jbyte*>(bytes));

    jclass type = nullptr;
    jfieldID byteArrId = nullptr;
    if (obj == nullptr) {
        ThrowJava(env, "java/lang/NullPointerException", kNullResult);
    } else {
        type = env->GetObjectClass(obj);
        byteArrId = env->GetFieldID(type, "byteArr", "[B");
    }
    if (env->ExceptionOccurred() != nullptr) {
        PPC_LOG_ERROR("SetStringVal", "SetStringVal ExceptionOccurred for byteArr\n");
        return kJniFailure;
    }
    env->SetObjectField(obj, byteArrId, array);

    jfieldID intValId = env->GetFieldID(type, "intVal", "I");
    if (env->ExceptionOccurred() != nullptr) {
        PPC_LOG_ERROR("SetStringVal", "SetStringVal ExceptionOccurred for intVal\n");
        return kJniFailure;
    }
    env->SetIntField(obj, intValId, length);
    return 0;
}
