package flrt.test;

import static flrt.test.Check.*;

/** Reading paths over real Java objects: every tag, type, static member and literal. */
public final class ReadingTest {
    public static void main(String[] args) {
        run(ReadingTest.class);
    }

    public static void testFieldsOfEveryPrimitiveType() {
        People p = new People();
        equal(1L, Probe.bits(p.ann, path(1001)) & 0xFF);
        equal((byte) -5, (byte) Probe.bits(p.ann, path(1002)));
        equal('q', (char) Probe.bits(p.ann, path(1003)));
        equal((short) -300, (short) Probe.bits(p.ann, path(1004)));
        equal(41, Probe.getInt(p.ann, path(1005)));
        equal((1L << 40) + 7, Probe.bits(p.ann, path(1006)));
        equal(1.25f, Float.intBitsToFloat((int) Probe.bits(p.ann, path(1007))));
        equal(1.75, Probe.getDouble(p.ann, path(1008)));
        equal(true, Probe.getBool(p.ann, path(1001)));
        equal('q', Probe.getChar(p.ann, path(1003)));
    }

    public static void testFieldsOfObjectStringAndArrayType() {
        People p = new People();
        equal("Ann", Probe.getString(p.ann, path(1009)));
        that(Probe.value(p.ann, path(1010)) == p.bob, "the friend is Bob");
        that(Probe.value(p.ann, path(1011)) == p.ann.scores, "the integer array itself");
        that(Probe.value(p.ann, path(1012)) == p.ann.names, "the string array itself");
        equal(null, Probe.value(p.carl, path(1010)));
        p.carl.name = null;
        equal(null, Probe.getString(p.carl, path(1009)));
        equal(null, Probe.text(p.carl, path(1009), "S"));
    }

    public static void testStringsWithNonAsciiText() {
        People p = new People();
        p.ann.name = People.NON_ASCII;
        equal(People.NON_ASCII, Probe.getString(p.ann, path(1009)));
        equal(People.NON_ASCII, Probe.text(p.ann, path(1009), "S"));
        equal(People.NON_ASCII, Probe.getString(p.ann, path(1014)));
    }

    public static void testStaticMembers() {
        People p = new People();
        equal(7, Probe.getInt(p.ann, path(1013)));
        equal(37, Probe.getInt(p.ann, path(1015)));
        equal(1000, Probe.getInt(p.ann, path(1016)));
    }

    public static void testWalksThroughFieldsFunctionsTypesAndTheCurrentObject() {
        People p = new People();
        equal(41, Probe.getInt(p.ann, path(1017)));
        equal("Bob", Probe.getString(p.ann, path(1018)));
        equal(41, Probe.getInt(p.ann, path(1019)));
        // "*" yields the object it starts from and ignores the rest of the path.
        that(Probe.value(p.ann, path(1020)) == p.ann, "* -> age is the object itself");
        that(Probe.value(p.ann, path(1021)) == p.ann, "* is the object itself");
        that(Probe.value(p.ann, path(1022)) == p.bob, "* after a field is that field's object");
        equal(1.75, Probe.getDouble(p.ann, path(1023)));
        equal(41, Probe.getInt(p.ann, path(1024)));
        equal(37, Probe.getInt(p.ann, path(1027)));
    }

    public static void testANullObjectOnTheWayEndsTheWalkWithNoValue() {
        People p = new People();
        equal(0, Probe.getInt(p.carl, path(1017)));
        equal(0, Probe.getInt(p.carl, path(1027)));
        equal(null, Probe.value(p.carl, path(1022)));
        equal(0, Probe.getInt(p.carl, path(1047)));
        equal("", Probe.text(null, path(1005), "I"));
    }

    public static void testLiteralsOfEveryKind() {
        People p = new People();
        equal(12, Probe.getInt(p.ann, path(1030)));
        equal("stored Grüße", Probe.getString(p.ann, path(1031)));
        equal(true, Probe.getBool(p.ann, path(1032)));
        equal('q', Probe.getChar(p.ann, path(1033)));
        equal(0.5, Probe.getDouble(p.ann, path(1034)));
        // As a routine argument a literal string becomes a string object.
        equal("stored Grüße", Probe.argument(p.ann, path(1031)));
        Probe.getInt(p.ann, path(1031));
        reported("Assertion: Uncompatible tags");
    }

    public static void testValuesAsText() {
        People p = new People();
        equal("41", Probe.text(p.ann, path(1005), "I"));
        equal("True", Probe.text(p.ann, path(1001), "B"));
        equal("False", Probe.text(p.carl, path(1001), "B"));
        equal("1.750", Probe.text(p.ann, path(1008), "D"));
        equal("1.750", Probe.text(p.ann, path(1008), "R"));
        equal("q", Probe.text(p.ann, path(1003), "C"));
        equal("?", Probe.text(p.ann, path(1005), "X"));
    }

    public static void testTagsAReadingPathRefuses() {
        People p = new People();
        equal(0, Probe.getInt(p.ann, path(1080)));
        reported("Assertion: Incorrect usage of procedure call");
        equal(0, Probe.getInt(p.ann, path(1081)));
        reported("Assertion: Unknown tag value");
    }

    // Each failed lookup leaves no exception pending: the next call of the
    // virtual machine would be illegal, and the test's next statement would throw.
    public static void testMissingClassesFieldsAndRoutinesAreReportedAndCleared() {
        People p = new People();
        equal(0, Probe.getInt(p.ann, path(1060)));
        reported("Assertion: class not found");
        equal(0, Probe.getInt(p.ann, path(1061)));
        reported("Assertion: field not found");
        equal(0, Probe.getInt(p.ann, path(1064)));
        reported("Assertion: field not found");
        equal(0, Probe.getInt(p.ann, path(1065)));
        reported("Assertion: field not found");
        equal(0, Probe.getInt(p.ann, path(1066)));
        reported("Assertion: Unknown procedure \"vanish\"");
        equal(0, Probe.getInt(p.ann, path(1067)));
        reported("Assertion: class not found");
        equal(0, Probe.getInt(p.ann, path(1073)));
        reported("Assertion: Unknown procedure \"sum\"");
        equal(41, Probe.getInt(p.ann, path(1005)));
    }
}
