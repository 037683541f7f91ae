package flrt.test;

import java.util.ArrayList;
import java.util.List;

/** The object the access paths of the tests walk. */
public class Person {
    public boolean active;
    public byte level;
    public char initial;
    public short rank;
    public int age;
    public long big;
    public float ratio;
    public double height;
    public String name;
    public Person friend;
    public int[] scores;
    public String[] names;
    public Person[] lines;
    public Node tree;

    public static int population;
    public static String motto;
    public static Person mayor;

    /** What the routines were called with, in order. */
    public final List<String> calls = new ArrayList<>();

    public Person(String name, int age) {
        this.name = name;
        this.age = age;
    }

    public Person getFriend() {
        return friend;
    }

    public double getHeight() {
        return height;
    }

    public static int census() {
        return 1000;
    }

    public void remember() {
        calls.add("remember()");
    }

    public void remember(String text) {
        calls.add("remember(" + text + ")");
    }

    public void describe(int number, String text, boolean flag, char letter, double real, Person other, int own) {
        calls.add("describe(" + number + ", " + text + ", " + flag + ", " + letter + ", " + real + ", "
                  + (other == null ? "null" : other.name) + ", " + own + ")");
    }

    public int sum(int a1, int a2, int a3, int a4, int a5, int a6, int a7, int a8, int a9, int a10, int a11,
                   int a12, int a13, int a14, int a15, int a16, int a17, int a18, int a19, int a20, int a21,
                   int a22, int a23, int a24, int a25, int a26, int a27, int a28, int a29, int a30, int a31) {
        return a1 + a2 + a3 + a4 + a5 + a6 + a7 + a8 + a9 + a10 + a11 + a12 + a13 + a14 + a15 + a16 + a17 + a18
               + a19 + a20 + a21 + a22 + a23 + a24 + a25 + a26 + a27 + a28 + a29 + a30 + a31;
    }

    public int sum(int a1, int a2, int a3, int a4, int a5, int a6, int a7, int a8, int a9, int a10, int a11,
                   int a12, int a13, int a14, int a15, int a16, int a17, int a18, int a19, int a20, int a21,
                   int a22, int a23, int a24, int a25, int a26, int a27, int a28, int a29, int a30, int a31,
                   int a32) {
        return sum(a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15, a16, a17, a18, a19, a20, a21,
                   a22, a23, a24, a25, a26, a27, a28, a29, a30, a31) + a32;
    }

    public int sum(int a1, int a2, int a3, int a4, int a5, int a6, int a7, int a8, int a9, int a10, int a11,
                   int a12, int a13, int a14, int a15, int a16, int a17, int a18, int a19, int a20, int a21,
                   int a22, int a23, int a24, int a25, int a26, int a27, int a28, int a29, int a30, int a31,
                   int a32, int a33) {
        return sum(a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15, a16, a17, a18, a19, a20, a21,
                   a22, a23, a24, a25, a26, a27, a28, a29, a30, a31, a32) + a33;
    }

    public String greeting(String text) {
        return "Hello " + text;
    }

    public Person nothing() {
        return null;
    }

    public void explode() {
        throw new IllegalStateException("exploded");
    }

    public int explodingAge() {
        throw new IllegalStateException("no age");
    }
}
