// flock(2) for the Java tests. The C++ tests guard the shared configuration
// file with flock, and on Linux flock and the fcntl locks that Java's
// FileChannel.lock() takes do not see each other: the Java tests must take
// the same kind of lock to exclude them.
#include <errno.h>
#include <fcntl.h>
#include <jni.h>
#include <string.h>
#include <sys/file.h>
#include <unistd.h>

static void ThrowIo(JNIEnv* env, const char* what) {
    jclass type = (*env)->FindClass(env, "java/io/IOException");
    if (type != NULL) (*env)->ThrowNew(env, type, what);
}

// Opens (creating) `path` and waits for an exclusive flock on it. Returns
// the descriptor, which holds the lock until unlock().
JNIEXPORT jint JNICALL Java_com_korvane_vesticor_pwdpolicy_TestNative_lockExclusive(JNIEnv* env,
                                                                                    jclass type,
                                                                                    jstring path) {
    (void)type;
    const char* chars = (*env)->GetStringUTFChars(env, path, NULL);
    if (chars == NULL) return -1;
    int fd = open(chars, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    (*env)->ReleaseStringUTFChars(env, path, chars);
    if (fd < 0) {
        ThrowIo(env, strerror(errno));
        return -1;
    }
    int locked;
    do {
        locked = flock(fd, LOCK_EX);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        ThrowIo(env, strerror(errno));
        close(fd);
        return -1;
    }
    return fd;
}

// Closes a descriptor from lockExclusive(), which releases its lock.
JNIEXPORT void JNICALL Java_com_korvane_vesticor_pwdpolicy_TestNative_unlock(JNIEnv* env,
                                                                             jclass type, jint fd) {
    (void)env;
    (void)type;
    close(fd);
}
