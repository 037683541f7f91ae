package flrt.test;

/** Ann and Bob, friends of each other, and Carl, who has none. */
final class People {
    static final String NON_ASCII = "Grüße, 東京 \uD83D\uDE00";

    final Person ann = new Person("Ann", 41);
    final Person bob = new Person("Bob", 37);
    final Person carl = new Person("Carl", 12);

    People() {
        ann.friend = bob;
        bob.friend = ann;
        ann.active = true;
        ann.level = -5;
        ann.initial = 'q';
        ann.rank = -300;
        ann.big = (1L << 40) + 7;
        ann.ratio = 1.25f;
        ann.height = 1.75;
        ann.scores = new int[] {-1, 0, Integer.MAX_VALUE};
        ann.names = new String[] {"one", null, NON_ASCII};
        Person.population = 7;
        Person.motto = NON_ASCII;
        Person.mayor = bob;
    }
}
