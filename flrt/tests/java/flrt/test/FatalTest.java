package flrt.test;

import static flrt.test.Check.*;

import java.io.File;
import java.nio.charset.StandardCharsets;

/** A field missing at the end of a reading path ends the process, as its error box does. */
public final class FatalTest {
    public static void main(String[] args) throws Exception {
        if (args.length > 0) {
            qk.fllocal.DisplayManager.init();
            Probe.getInt(new People().ann, path(1069));
            System.out.println("still running");
            return;
        }
        run(FatalTest.class);
    }

    public static void testMissingTerminalFieldIsFatal() throws Exception {
        String java = System.getProperty("java.home") + File.separator + "bin" + File.separator + "java";
        Process child = new ProcessBuilder(java, "-Xcheck:jni",
                                           "-Djava.library.path=" + System.getProperty("java.library.path"),
                                           "-Dflrt.forms=" + FORMS, "-cp", System.getProperty("java.class.path"),
                                           FatalTest.class.getName(), "child")
                            .redirectErrorStream(true)
                            .start();
        String output = new String(child.getInputStream().readAllBytes(), StandardCharsets.UTF_8);
        equal(255, child.waitFor());
        that(output.contains("Formloom reported Error: field not found  (colour)"), output);
        that(!output.contains("still running") && !output.contains("WARNING"), output);
    }
}
