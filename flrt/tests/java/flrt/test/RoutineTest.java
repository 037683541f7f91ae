package flrt.test;

import static flrt.test.Check.*;

import java.util.List;

/** Routine calls and procedure paths over real Java objects. */
public final class RoutineTest {
    public static void main(String[] args) {
        run(RoutineTest.class);
    }

    public static void testProcedurePaths() {
        People p = new People();
        Probe.call(p.ann, path(1040));
        Probe.call(p.ann, path(1025));
        Probe.call(p.ann, path(1026));
        Probe.call(p.ann, path(1048));
        equal(List.of("remember()", "remember(from me)"), p.ann.calls);
        equal(List.of("remember(from the friend)", "remember(through a function)"), p.bob.calls);
    }

    public static void testArgumentsOfEveryKind() {
        People p = new People();
        Probe.call(p.ann, path(1041));
        equal(List.of("describe(7, text Grüße, true, x, 2.5, Bob, 41)"), p.ann.calls);
        equal("Hello Grüße", Probe.getString(p.ann, path(1045)));
    }

    public static void testUpTo31ArgumentsAndTooManyParameters() {
        People p = new People();
        equal(4960, Probe.getInt(p.ann, path(1042)));
        equal(5280, Probe.getInt(p.ann, path(1043)));
        reported("Assertion: Too many parameters in feature call");
        // Arguments beyond the 32nd are never passed: the routine gets 0.
        equal(5280, Probe.getInt(p.ann, path(1044)));
        reported("Assertion: Too many parameters in feature call");
    }

    public static void testNullResultsAndObjects() {
        People p = new People();
        equal(null, Probe.value(p.ann, path(1046)));
        Probe.call(p.carl, path(1025));
        reported("Unhandled exception: flrt/test/Person.friend");
        Probe.call(p.carl, path(1048));
        reported("Unhandled exception: Void function result used in feature call.");
    }

    // The Java exception of a routine becomes the routine-call exception and is cleared.
    public static void testRoutinesThatThrow() {
        People p = new People();
        Probe.call(p.ann, path(1050));
        reported("Unhandled exception: flrt/test/Person.explode");
        equal(0, Probe.getInt(p.ann, path(1051)));
        reported("Unhandled exception: flrt/test/Person.explodingAge");
        Probe.call(p.ann, path(1052));
        reported("Unhandled exception: flrt/test/Person.explode");
        Probe.call(p.ann, path(1040));
        equal(List.of("remember()"), p.ann.calls);
    }

    public static void testMissingClassesAndRoutinesAreReportedAndCleared() {
        People p = new People();
        Probe.call(p.ann, path(1062));
        reported("Assertion: Unknown class \"flrt/test/Nobody\"");
        Probe.call(p.ann, path(1063));
        reported("Assertion: Unknown procedure \"vanish\"");
        Probe.call(p.ann, path(1068));
        reported("Assertion: Unknown procedure \"vanish\"");
        Probe.call(p.ann, path(1070));
        reported("Assertion: field not found");
        Probe.call(p.ann, path(1071));
        reported("Assertion: class not found");
        Probe.call(p.ann, path(1040));
        equal(List.of("remember()"), p.ann.calls);
    }

    public static void testTagsAProcedurePathRefuses() {
        People p = new People();
        Probe.call(p.ann, path(1005));
        reported("Assertion: Incorrect use of attribute instead of procedure call");
        Probe.call(p.ann, path(1045));
        reported("Assertion: Incorrect use of function instead of procedure call");
        Probe.call(p.ann, path(1021));
        reported("Assertion: Current cannot be used as terminal in a procedure call");
        Probe.call(p.ann, path(1030));
        reported("Assertion: Incorrect usage of Literal constant");
        equal(List.of(), p.ann.calls);
    }
}
