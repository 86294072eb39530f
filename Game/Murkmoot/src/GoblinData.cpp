#include "GoblinData.h"

namespace GoblinData {

const std::vector<GoblinTypes::GoblinProfile> allGoblins = {
    {"Squat Goblin", "forever hunched, forever stubborn."},
    {"Grizzle", "smells like smoke and wet rope."},
    {"Whisperfang", "voice like a knife on slate."},
    {"Bogwort", "wades knee-deep in secrets."},
    {"Picklesnout", "reeks of vinegar and delight."},
    {"Toadbelly", "croaks between chews."},
    {"Sootsnout", "ashes cling to every word."},
    {"Fungus Jim", "insists he is not a goblin, just damp."},
    {"Mirefang", "teeth stained with swampwater."},
    {"Guttercap", "lurks where the runoff gathers."},
    {"Rustclaw", "nails that scrape iron to dust."},
    {"Kettlegrim", "wears a dented pot as crown."},
    {"Lousebeard", "beard alive with crawling things."},
    {"Moldwick", "breath smells like old candles."},
    {"Tanglefoot", "never untangles, never stops moving."},
    {"Ashdribble", "whispers prophecies through soot."},
    {"Verminox", "carries a parliament of rats in his cloak."},
    {"Grubstain", "pockets wriggling with unknown larvae."},
    {"Shalejaw", "jaw chipped from gnawing stone."},
    {"Thornback", "bristles with living thorns that hum at night."},
    {"Oozebeard", "drips with slime, answers slow."},
    {"Crackletongue", "sparks leap when he speaks."},
    {"Moonfungus", "glows faintly when lies are told."},
    {"Cofflegrim", "shackled, yet the chains sing wisdom."},
    {"Pudding Brain", "says little, hums in resonance."},
};

const std::vector<std::string_view> prefixes = {
    "grumbles", "chants", "warns", "hisses", "murmurs", "declares", "croaks", "snarls", "wheezes",
    "barks", "growls", "whispers", "rasps", "snickers", "bellows", "mumbles", "howls", "proclaims",
    "squeaks", "intonates", "mutters", "shrugs", "cackles", "drawls", "spits", "stammers", "whines",
    "thunders", "purrs", "lisps", "boasts", "laments",
    "gnaws on a bone and says",
    "flicks mud and grunts",
    "scratches runes and mutters",
    "coughs up smoke then croaks",
    "squints into the void and declares",
    "laughs through broken teeth",
    "smears moss on the wall and whispers",
    "rattles a pouch of teeth and says",
    "snorts with mirthless glee",
    "licks a stone and decides",
};

const std::vector<std::string_view> cores = {
    "Yes", "No", "Unlikely", "Absolutely", "Perhaps", "Ask again later",
};

const std::vector<std::string_view> suffixes = {
    " entropy clouds the path.",
    " as the dice of fate tumble.",
    " the numbers devour themselves.",
    " until the pool runs dry.",
    " the quantum foam agrees.",
    " chaos approves.",
    " but the void keeps its secrets.",
    " echoes scatter like photons.",
    " the swamp remembers.",
    " carved into damp stone long ago.",
    " written on the underside of a toadstool.",
    " the puddles reflect this truth.",
    " moss clings to the same answer.",
    " the worms mutter otherwise.",
    " goblins rarely lie, but often jest.",
    " and the mushrooms nod in agreement.",
    " the council drums on hollow logs.",
    " Squat Goblin already forbade it.",
    " Bogwort has seen it in the mud.",
    " Picklesnout would sell you this answer twice.",
    " Whisperfang swears the shadows told him.",
    " until the moon forgets its orbit.",
    " carried on bat wings at dusk.",
    " etched into bone charms.",
    " the wind through hollow logs agrees.",
    " foretold by a crooked tooth.",
    " the puddles freeze in omen.",
    " such is the rhythm of dripping caves.",
    " the rats gnash in approval.",
    " crows will repeat this at dawn.",
    " fireflies write it in the dark air.",
    " even the fungi bow to it.",
    " the Arbiters might censor it later.",
    " Pudding Brain hums in resonance.",
};

const std::vector<std::string_view> consensusSuffixes = {
    " the fungi bow, the Arbiters hesitate, yet the resonance hums on.",
    " carved into the marrow of forgotten things.",
    " until the moon cracks and spills its silver.",
    " whispered thrice in the dripping dark.",
    " as Pudding Brain hums beneath the earth.",
    " though goblins may jest, fate does not.",
    " echoes ripple outward, unending.",
    " etched into the silence between ticks.",
    " the swamp nods, the shadows listen.",
    " entropy spends itself, but the truth remains.",
};

const std::vector<std::string_view> finalSuffixes = {
    " whispered by fungi, carried on dawn winds.",
    " until the moon cracks and spills its silver.",
    " etched in rust beneath dripping stone.",
    " the shadows listen, the swamp agrees.",
    " fireflies etch it across the dark air.",
    " moss clings, though worms dissent.",
    " even Pudding Brain hums this in resonance.",
    " such is the rhythm of dripping caves.",
    " carried on bat wings at dusk.",
    " the Arbiters might censor it, but truth endures.",
    " croaked by toads, repeated by crows at dawn.",
    " chaos approves, though silence lingers.",
};

const std::array<OverrideLine, 5> overrideLines = {{
    {"RESONANCE", "the hum drowns all dissent."},
    {"VOID", "nothing is decided, nothing ends."},
    {"TRUTH", "etched across the silence of stars."},
    {"CANCELLATION", "the council collapses into echoes."},
    {"HARMONY", "Puddingbrain hums, and all obey."},
}};

} // namespace GoblinData
