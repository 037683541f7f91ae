package qk.fllocal;

/**
 * Shows forms of form resource files for Java objects, through the native
 * form display runtime cflrt ({@code cflrt.dll} on Windows).
 *
 * <p>Call {@link #init} once, on the thread that will show the forms, then
 * {@link #display} for an object and the class name and number of its form.
 * Unless a resource file was added with {@link #addResourceFile}, the first
 * display adds the file named after the class ("ClassName.flf"). A form's
 * controls read the object's fields and call its methods by the names and
 * JNI signatures its description gives; a handler routine of the form calls
 * {@link #accept} or {@link #cancel} to close it.
 *
 * <p>Every method must be called on the thread that called {@link #init}:
 * the runtime keeps the JNI environment of that thread and runs the forms'
 * message loops on it.
 */
public final class DisplayManager {
    static {
        System.loadLibrary("cflrt");
    }

    /**
     * The object of the form the user works in; set when a form becomes
     * active, null again once no form is open.
     */
    public static Object curObject;

    private DisplayManager() {
    }

    /**
     * Hands the calling thread's JNI environment to the runtime. Call it
     * before any other method, on the thread that will display the forms:
     * the environment of one thread is not valid on another.
     */
    public static native void init();

    /**
     * Shows a form for an object. A modal form runs its own message loop and
     * the call returns when it is closed. A separate form (or an MDI child)
     * stays open after the call returns: it needs a message loop on this
     * thread to work, for example that of a modal form still open, and the
     * runtime holds the object until its window closes.
     *
     * @param object the object the form shows and edits
     * @param className the form's class name, with dots or slashes
     *        ("a.b.C" and "a/b/C" name the same class)
     * @param formNumber the number of the form within its class
     * @return for a modal form, true when it was closed with acceptance; for
     *         a separate form, true once its window shows; false when the form
     *         could not be opened
     */
    public static native boolean display(Object object, String className, int formNumber);

    /**
     * Closes the form that edits the object, with acceptance: the field
     * {@code data_was_accepted} of the object (when it has one) becomes true
     * and every control is validated; a control with an invalid value keeps
     * the form open.
     *
     * @param object the object of the form to close
     */
    public static native void accept(Object object);

    /**
     * Closes the form that edits the object without acceptance: the field
     * {@code data_was_accepted} of the object (when it has one) becomes
     * false. The values the user changed are already stored in the object,
     * since each control stores its value when it loses the focus or is
     * clicked: a program that wants them undone keeps a copy of the object
     * before {@link #display} and restores it when the form was cancelled.
     *
     * @param object the object of the form to close
     */
    public static native void cancel(Object object);

    /**
     * Adds a form resource file; forms are looked up newest file first.
     *
     * @param fileName the file's name, relative to the working directory or absolute
     */
    public static native void addResourceFile(String fileName);

    /**
     * Removes a form resource file and closes its database.
     *
     * @param fileName the name the file was added with
     */
    public static native void removeResourceFile(String fileName);
}
